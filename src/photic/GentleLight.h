// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

#include <optional>
#include <string_view>

namespace aurelith {

// The panel's colour at a point of the flash cycle: cyclePhase 0 (and 1) is the
// stimulation onset, the in-phase moment of the tones; 0.5 is the middle of the
// cycle. The stimulation colour has the weight (1 + cos 2 pi phase) / 2, and the
// two colours are mixed in linear light, so the light the screen gives follows
// that raised cosine: the full stimulation colour at 0, the full background at 0.5.
Colour gentleColourAt(Colour stim, Colour back, double cyclePhase);

// "Gentle Light" in the Options menu, kept in its own data file; a missing file is off.
bool gentleLightOn(const App& app);
void setGentleLight(App& app, bool on);
// Start-up: the stored choice, without writing anything.
void restoreGentleLight(App& app);

// What the panel shows in gentle mode while the strobe flashes; nothing in the
// square mode or when the strobe does not flash.
std::optional<Colour> gentleFrameColour(const App& app, double cyclePhase);
// Called once per screen frame with the cycle phase the frame will be seen at
// (TimerScheduler::cyclePhase of tmrStim): paints the flash surface and says
// whether it did. The strobe's own ticks paint the two extremes of the same
// curve, so both may run together.
bool paintGentleFrame(App& app, double cyclePhase);

// On a display that tells when it shows frames (the strobe plans on frames)
// the gentle light is painted frame by frame, each frame with the colour for
// the moment it will be shown, and the strobe's ticks paint nothing.
bool gentleOnFrames(const App& app);
// The cycle phase of the moment shownMs (on the display's clock) on the
// strobe's grid of due onsets, which sit on the tones' in-phase moments as heard.
std::optional<double> frameCyclePhase(const App& app, double shownMs);
// Called more often than frames come: gives the next frame the display can
// still reach, if it has no colour yet, the colour for when it is shown.
// lastShownMs keeps the frame painted last between calls.
void paintNextGentleFrame(App& app, double& lastShownMs);

// For the light track: "gentle" or "square".
std::string_view lightMode(const App& app);

void bindGentleLight(App& app);

} // namespace aurelith
