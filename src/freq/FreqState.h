// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Value.h"

#include <array>

namespace aurelith {

// The frequency memories. Written by freq/ (and restored by shell/); read
// from data files, so loosely typed.
struct FreqState {
    Value programGroup = 1;
    std::array<std::array<Value, 2>, 8> storedPairs;
};

} // namespace aurelith
