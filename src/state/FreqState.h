// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Value.h"

namespace aurelith {

// The frequency memories' group, read from a data file, so loosely typed. The
// memories themselves are read from their files when recalled.
// Owner: freq/ (freq/FreqWrites.h); shell/ restores it.
struct FreqState {
    Value programGroup = 1;
};

} // namespace aurelith
