// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// The whole state at once, for the composition root: it resets it at start-up
// and restores saved settings into every group.
struct ShellWrites {
    static WindowState& all(App& app) { return app.state_; }
};

} // namespace aurelith
