// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// The one way to change the frequency memories' group; only freq/ and shell/
// include this header (tests/layers/check_layers.sh).
struct FreqWrites {
    static FreqState& freq(App& app) { return app.state_.freq; }
};

} // namespace aurelith
