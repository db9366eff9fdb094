// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// The groups photic/ writes: the strobe's own and the one it shares with the
// scanner. Only photic/ and shell/ include this header (tests/layers/check_layers.sh).
struct PhoticWrites {
    static StrobeState& strobe(App& app) { return app.state_.strobe; }
    static SharedState& shared(App& app) { return app.state_.shared; }
};

} // namespace aurelith
