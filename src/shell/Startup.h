// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"
#include "core/Version.h"

#include <array>
#include <string_view>

namespace aurelith {

inline constexpr const char* kWindowCaption = "Aurelith Binaural Brainwave Stimulator Pro Ver. " AURELITH_VERSION
                                              "                    ( Professional Medical Version.)";
inline constexpr const char* kNoSoundMessage = "Unable to open the sound output";

// The "vols" record of a first run: tone volume, balance, mask volume, base
// frequency. The tone volume is outside its bar's range, so that bar keeps its
// design position.
inline constexpr std::array<int, 4> kFirstRunLevels = {3500, 0, -4950, 135};

// A bar's position on a first run: its first-run level where the bar can
// take it, else the bar's design position.
int firstRunPosition(std::string_view bar);

// Writes every first-run default data file, "fctl" last.
void writeFirstRunDefaults(const DataFiles& files);

// The colour sets of a first run, in memory.
void useDefaultColourSets(WindowState& s);

// Reads every saved setting (writing the defaults on a first run) and fills
// the displays from them.
void restoreSettings(App& app);

// Restores the saved settings, shows the window and opens the sound device.
// False when the program has to end (no sound output could be opened).
bool startUp(App& app);

// "Exit": stops and releases the sound, saves the levels and the colour set,
// and the scan program group when asked; then ends the program.
enum class ScanGroup { save, leave };
void shutDown(App& app, ScanGroup scanGroup);

void bindShell(App& app);

} // namespace aurelith
