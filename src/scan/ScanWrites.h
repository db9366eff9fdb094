// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// The groups scan/ writes: the scanner's own and the one it shares with the
// strobe. Only scan/ and shell/ include this header (tests/layers/check_layers.sh).
struct ScanWrites {
    static ScanState& scan(App& app) { return app.state_.scan; }
    static SharedState& shared(App& app) { return app.state_.shared; }
};

} // namespace aurelith
