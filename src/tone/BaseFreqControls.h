// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// txtBaseFreqBar and txtBaseFreq show the base-frequency bar's position less 10.
inline constexpr int kBaseFreqDisplayOffset = -10;

void bindBaseFreqControls(App& app);
// "ON" or "OFF" in txtBaseFreq; other modes show nothing.
void showBaseFreqMode(App& app);

} // namespace aurelith
