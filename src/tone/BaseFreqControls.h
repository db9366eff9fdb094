#pragma once

#include "app/App.h"

namespace aurelith {

void bindBaseFreqControls(App& app);
// "ON" or "OFF" in Text1; other modes show nothing.
void showBaseFreqMode(App& app);

} // namespace aurelith
