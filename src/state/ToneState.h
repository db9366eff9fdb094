// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/Value.h"
#include "ports/SoundSystem.h"

#include <array>
#include <memory>
#include <vector>

namespace aurelith {

// The three sounds that play together.
enum class SoundSlot { tone1, tone2, mask };

struct SoundSlots {
    std::array<std::unique_ptr<SoundBuffer>, 3> buffers;

    std::unique_ptr<SoundBuffer>& operator[](SoundSlot slot) { return buffers[static_cast<size_t>(slot)]; }
    // Another subsystem may turn a sound up or down but not replace it.
    const std::unique_ptr<SoundBuffer>& operator[](SoundSlot slot) const { return buffers[static_cast<size_t>(slot)]; }
    auto begin() { return buffers.begin(); }
    auto end() { return buffers.end(); }
    auto begin() const { return buffers.begin(); }
    auto end() const { return buffers.end(); }
};

// The shape of one tone cycle; the numbers are the order the Wave button steps through.
enum class Waveform { sine = 1, square, sawtooth, triangle };

// The tones, the mask and the levels.
// Owner: tone/ (tone/ToneWrites.h); shell/ restores it.
struct ToneState {
    SoundSlots soundBuffers;

    double leftFreq = 0;
    double rightFreq = 0;
    Waveform waveform = Waveform::sine;
    int maskSelection = 1;

    // The bytes last written to each tone file: the buffers are made from
    // these, so what plays is what the boxes show even when the file could
    // not be written (the folder deleted, the disk full).
    std::array<std::vector<unsigned char>, 2> toneBytes;
    std::array<ToneWave, 2> toneWaves{}; // the waveform each was drawn in

    // The levels as restored at start-up, saved again at exit.
    Value savedToneVol, savedBalance, savedMaskVol, savedBaseFreq;
    // As read from its file (1 off, 2 on): any other value is kept and shown as it is.
    Value baseFreqMode = 1;
    // What the sleep timer's fade takes off the bars' levels, in hundredths
    // of a dB (0, or negative while it fades): buffers made meanwhile start there.
    int fadeDrop = 0;
};

} // namespace aurelith
