// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

#include <functional>

namespace aurelith {

bool validToneFrequency(double hz);

// Hundredths of a decibel: the quietest level a buffer takes.
inline constexpr int kSilentLevel = -10000;
// A bar's level as new buffers take it: less what a fade has taken off.
int fadedLevel(const App& app, int barLevel);
// How far a fade (the sleep timer's) has taken the levels below the bars', in
// hundredths of a dB; 0 ends it.
void setFadeDrop(App& app, int drop);

// Stops both tone buffers and the mask; failures are ignored.
void stopTones(App& app);
// Loads both tone files and the selected mask as looping buffers and plays them.
void startTones(App& app);
// Stops the tones and the strobe's timers ("Stop", "&Sound OFF").
void stopSound(App& app);

// Every source that can start sound again by itself (the scanner's steps, a
// sequence's player) adds how to end it here; stopEverySound then stops all
// of them as "Stop" does, so nothing sounds until the user starts it again.
void addSoundSource(App& app, std::function<void()> stop);
void stopEverySound(App& app);
// Called before the window's own tones stop or start (every band button,
// memory, adjuster, scanner step, "Start" and "Stop" passes there), so a
// sequence that plays in their place ends first.
void beforeWindowTones(App& app, std::function<void()> takeOver);
// Called after every start and stop of the sound, for whoever reports what
// plays (the media keys' status).
void watchSound(App& app, std::function<void()> changed);

// Whether a rebuild stops what plays before it writes the tone files.
enum class BeforeWriting { stopTones, leavePlaying };
enum class ToneShape { current, sine }; // the chosen waveform, or always sine

// Reads both channel texts, checks them, rewrites the tone files (current waveform,
// or always sine) and restarts playback. False when a frequency was out of range.
bool rebuildTones(App& app, BeforeWriting before = BeforeWriting::stopTones);
bool rebuildSineTones(App& app, BeforeWriting before = BeforeWriting::stopTones);
// rebuildSineTones, then tells whoever follows the beat (tonesRetuned).
bool retuneSine(App& app);
// Writes sine tones of these frequencies to the tone files without playing them.
void writeSineTones(App& app, double left, double right);
// After a retune that played the new pair: calls what bindPlayback was given,
// so the strobe (wired by the shell) follows the new beat without this folder
// knowing it.
void tonesRetuned(App& app);

void bindPlayback(App& app, std::function<void()> onTonesRetuned = {});

} // namespace aurelith
