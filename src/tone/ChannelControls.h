// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// The two channel boxes, "Rev Chn" (swap them) and "Rebuild" (empty tone files).
void bindChannelControls(App& app);

} // namespace aurelith
