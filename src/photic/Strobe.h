// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

bool strobeRunning(const App& app);
// Starts the colour strobe, or resynchronises it with the current beat.
void ColorOn(App& app);
// Stops the flashing without switching the strobe off.
void haltFlashing(App& app);

} // namespace aurelith
