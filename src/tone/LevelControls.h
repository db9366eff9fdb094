// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

#include <string_view>

namespace aurelith {

// Shows each level bar's position in its box.
void showLevels(App& app);

// What the box under a level bar shows for the bar's position (the volumes
// show 0 ... 5000 for -5000 ... 0); a bar without a box shows its position.
int shownLevel(std::string_view bar, int position);

void bindLevelControls(App& app);

} // namespace aurelith
