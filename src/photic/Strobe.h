// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

bool strobeRunning(const App& app);
// One phase of the flash cycle, unrounded, in ms: half the period of ratioK / beat
// (ratioK 1000 is one flash per beat; the ratio mode's smaller constants give more).
double flashPhaseMs(double beatHz, double ratioK = 1000);
// Starts the colour strobe, or resynchronises it with the current beat. The button
// form also lights the COL lamp; the menu items leave it as it is.
void ColorOn(App& app, bool paintLamp = true);
// Stops the strobe; the flash surface keeps its last colour.
void ColorOff(App& app, bool paintLamp = true);
// "Lt/Snd H" (+1) and "Lt/Snd L" (-1): the strobe takes the next of the ten
// light/sound ratios from now on; a running strobe restarts on it.
void stepLightSoundRatio(App& app, int direction);
// Stops the flashing without switching the strobe off.
void haltFlashing(App& app);
// The stimulation panel over (almost) the whole window, or back in its design place.
void showFullWindowStrobe(App& app);
void showHalfWindowStrobe(App& app);

void bindStrobe(App& app);

} // namespace aurelith
