// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

void bindBandPresets(App& app);

} // namespace aurelith
