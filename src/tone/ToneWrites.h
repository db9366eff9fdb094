// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// The one way to change the tone group; only tone/ and shell/ include this
// header (tests/layers/check_layers.sh), every other folder reads app.state.tone.
struct ToneWrites {
    static ToneState& tone(App& app) { return app.state_.tone; }
};

} // namespace aurelith
