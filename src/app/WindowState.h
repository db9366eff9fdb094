// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Value.h"
#include "ports/SoundSystem.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace aurelith {

// The three sounds that play together.
enum class SoundSlot { tone1, tone2, mask };

struct SoundSlots {
    std::array<std::unique_ptr<SoundBuffer>, 3> buffers;

    std::unique_ptr<SoundBuffer>& operator[](SoundSlot slot) { return buffers[static_cast<size_t>(slot)]; }
    auto begin() { return buffers.begin(); }
    auto end() { return buffers.end(); }
};

struct ColourPair {
    Value stim;
    Value back;
};

// The variables the window's handlers share, with their start values.
// Those read from data files stay loosely typed: a file may hold anything.
struct WindowState {
    SoundSlots soundBuffers;

    double leftFreq = 0;
    double rightFreq = 0;
    int waveform = 1; // 1 sine, 2 square, 3 sawtooth, 4 triangle
    int maskSelection = 1;

    std::string tone1Path;
    std::string tone2Path;
    // The bytes last written to each tone file: the buffers are made from
    // these, so what plays is what the boxes show even when the file could
    // not be written (the folder deleted, the disk full).
    std::array<std::vector<unsigned char>, 2> toneBytes;
    std::array<ToneWave, 2> toneWaves{}; // the waveform each was drawn in

    Value lampOnColour = 255;
    Value lampOffColour = 16777215;
    Value firstRunMarker;
    Value savedToneVol, savedBalance, savedMaskVol, savedBaseFreq;
    Value baseFreqMode = 1;
    Value programGroup = 1;
    std::array<std::array<Value, 2>, 8> storedPairs;
    int lightSoundRatio = 0;
    Value ratioMode; // 1 once a ratio button was pressed: the strobe then uses lightSoundRatio
    Value strobeOn;
    double beatFreq = 0;
    double durationMs = 0;
    Value colourSetIndex = 1;
    Value activeStimColour;
    Value activeBackColour;
    std::array<ColourPair, 16> colourSets; // set n at index n - 1
    int colourBank = 1;
    Colour dialogColour = 0;     // the colour dialog opens on the colour last picked with it
    int scanDirection = 0;       // 0 none chosen, 1 up, 2 down
    Value pendingLeftText = 160; // the pair the next scanner step puts in the boxes
    Value pendingRightText = 161;
    std::optional<std::string> upperLimitText; // as typed; unset matches nothing
    std::optional<std::string> lowerLimitText;
    int loopNumber = 0;
    double scanLoopCounter = 0; // a scanner step's inner loop; the strobe's start counts it too
    Value scanBankGroup = 1;
    int scanBankMode = 0; // 0 inert, 1 store, 2 recall
    Value scanPairLeft;   // the pair last stored or recalled by a scan bank
    Value scanPairRight;
    // Conditions and events k = 1 ... 10 at index k - 1; filled as they are saved,
    // viewed, defaulted or launched, the files being the lasting copy.
    std::array<std::string, 10> condText;
    std::array<std::string, 10> condTitle;
    std::array<std::string, 10> eventCommand;
    std::array<std::string, 10> eventTitle;
    int condViewIndex = 1;
    int eventViewIndex = 1;
    int condProgIndex = 1;
    int eventProgIndex = 1;
    int eventSwitch = 2;
};

} // namespace aurelith
