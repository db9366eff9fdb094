// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// Connects every control event of the window to its handler.
void bindHandlers(App& app);

} // namespace aurelith
