// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// "Wave" steps sine, square, saw, triangle, shown on the Mode panel's rows.
void bindWaveformControls(App& app);

} // namespace aurelith
