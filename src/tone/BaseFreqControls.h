#pragma once

#include "app/App.h"

namespace aurelith {

void bindBaseFreqControls(App& app);

} // namespace aurelith
