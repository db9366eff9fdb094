// SPDX-License-Identifier: GPL-3.0-or-later
#include "photic/Strobe.h"

#include "ui/ControlNames.h"

namespace aurelith {

bool strobeRunning(const App& app) { return app.state.strobeOn.isNumber() && app.state.strobeOn.number() == 1.0; }

void ColorOn(App&)
{
    // The flashing panel is not built yet; frequency controls already call this
    // so that they follow the beat once it is.
}

} // namespace aurelith

namespace aurelith {

void haltFlashing(App& app)
{
    app.form.setTimerEnabled(ctl::Timer1, false);
    app.form.setTimerEnabled(ctl::Timer2, false);
    app.inhibitor->holdScreenAwake(false);
}

} // namespace aurelith
