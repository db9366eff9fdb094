// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// PrgSet, RunSet and the four Scan buttons over the twelve scan banks.
void bindScanBanks(App& app);

} // namespace aurelith
