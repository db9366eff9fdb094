// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

namespace aurelith {

bool validToneFrequency(double hz);

// Stops both tone buffers and the mask; failures are ignored.
void stopTones(App& app);
// Loads both tone files and the selected mask as looping buffers and plays them.
void startTones(App& app);
// Reads both channel texts, checks them, rewrites the tone files (current waveform,
// or always sine) and restarts playback. False when a frequency was out of range.
bool rebuildTones(App& app, bool stopFirst = true);
bool rebuildSineTones(App& app, bool stopFirst = true);
// rebuildSineTones, then lets the strobe follow the new beat.
bool retuneSine(App& app);

// Paints a lamp in the lamp-on or lamp-off colour.
void setLamp(App& app, std::string_view lamp, bool on);

void bindPlayback(App& app);

} // namespace aurelith
