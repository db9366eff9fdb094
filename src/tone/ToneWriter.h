// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DataFiles.h"
#include "state/ToneState.h"

#include <filesystem>
#include <vector>

namespace aurelith {

// One cycle of a channel's tone as a small 16-bit mono WAV ("freq1.wav" for
// channel 1 from leftFreq, "freq2.wav" for channel 2 from rightFreq). Each value
// is stored one byte after the previous one, overwriting its high byte; the
// constants below are tuned to that packing. Callers check the tone range (core/ToneLimits.h) first.
// The bytes written are kept in state.tone.toneBytes, and their waveform in
// state.tone.toneWaves, whether or not the file could be written.
struct ToneWriter {
    ToneState& state;
    const DataFiles& files;

    // Writes with the writer of the current waveform; any other waveform writes nothing.
    bool writeChannelTone(int channel);
    bool writeSineTone(int channel);
    bool writeSquareTone(int channel);
    bool writeSawtoothTone(int channel);
    bool writeTriangleTone(int channel);
    // Deletes and recreates the file with a header whose size fields are still 0 (42 bytes).
    bool writeHeaderOnly(int channel);

    std::filesystem::path tonePath(int channel) const;

private:
    bool write(int channel, ToneWave wave, std::vector<int> (*generate)(double));
};

} // namespace aurelith
