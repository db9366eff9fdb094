#pragma once

#include "app/App.h"

namespace aurelith {

void bindBandPresets(App& app);

} // namespace aurelith
