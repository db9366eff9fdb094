// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

void bindBaseFreqControls(App& app);
// "ON" or "OFF" in Text1; other modes show nothing.
void showBaseFreqMode(App& app);

} // namespace aurelith
