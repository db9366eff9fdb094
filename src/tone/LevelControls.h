#pragma once

#include "app/App.h"

namespace aurelith {

void bindLevelControls(App& app);

} // namespace aurelith
