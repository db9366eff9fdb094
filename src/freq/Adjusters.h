// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// Step, double and halve the beat, the light/sound ratio, Clear and Reset.
void bindAdjusters(App& app);

} // namespace aurelith
