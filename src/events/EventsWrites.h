// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

// The one way to change the conditions and events group; only events/ and
// shell/ include this header (tests/layers/check_layers.sh).
struct EventsWrites {
    static EventsState& events(App& app) { return app.state_.events; }
};

} // namespace aurelith
