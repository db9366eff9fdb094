// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

void bindLevelControls(App& app);

} // namespace aurelith
