// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// Shows each level bar's position in its box.
void showLevels(App& app);

void bindLevelControls(App& app);

} // namespace aurelith
