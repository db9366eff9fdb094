// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The names of the files the program keeps in its data folder. Users' folders
// hold files by these names from earlier runs, so each is spelt exactly once here.

namespace aurelith::dataFile {

inline constexpr const char* kFirstRunMarker = "fctl";
inline constexpr const char* kLevels = "vols"; // tone volume, balance, mask volume, base frequency
inline constexpr const char* kBaseFreqMode = "bfctl";
inline constexpr const char* kLampOnColour = "oncol";
inline constexpr const char* kLampOffColour = "offcol";
inline constexpr const char* kColourSetIndex = "csets";
// Never written by this program, but removed with the colour sets so that an
// old copy cannot bring a set back.
inline constexpr const char* kOldColourSetIndex = "cset";
inline constexpr const char* kMaskSelection = "mask";
inline constexpr const char* kMemoryGroup = "pgset";
inline constexpr const char* kScanBankGroup = "spgset";
// The user's "Flash" to the strobe's warning (one record: 1).
inline constexpr const char* kFlashAnswer = "flashok";
// "Gentle Light" (one record: 1 on, 0 off). Not written at first run: missing is off.
inline constexpr const char* kGentleLight = "gentle";

inline constexpr const char* kStimColour = "stimc";
inline constexpr const char* kBackColour = "backc";
// "stimc"/"backc" for set 1, "stimc7"/"backc7" for set 7.
inline std::string colourSet(const char* stem, int set) { return set == 1 ? stem : stem + std::to_string(set); }

// Memory A of group 2 is "prga2"; the bare "prga" ... "prgh" are read at start-up.
inline std::string memory(char letter) { return std::string("prg") + letter; }
inline std::string memory(char letter, int group) { return memory(letter) + std::to_string(group); }

// Scan bank A of group 3 is "sprga3".
inline std::string scanBank(char letter, int group) { return std::string("sprg") + letter + std::to_string(group); }

inline constexpr const char* kConditionStem = "prgcnd";
inline constexpr const char* kEventStem = "prgtrg";
// Condition or event k = 1 ... 10: "prgcnd3", "prgtrg10".
inline std::string numbered(const char* stem, int k) { return stem + std::to_string(k); }

// The sound files beside the data files.
inline std::string toneFile(int channel) { return channel == 1 ? "freq1.wav" : "freq2.wav"; }
// Mask 1 is the pink noise; the others are the user's own sounds.
inline std::string maskSound(int selection)
{
    return selection <= 1 ? "pink_inv.wav" : "mask" + std::to_string(selection) + ".wav";
}

} // namespace aurelith::dataFile
