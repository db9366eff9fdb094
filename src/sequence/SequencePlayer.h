// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Plays a sequence on the sound system's gliding voices: the sequence is
// compiled once into a plan at the device's rate, which the sound system then
// plays frame by frame on its own, so the window only starts, stops, seeks,
// edits and asks where it is.

#include "ports/GlideVoices.h"
#include "sequence/Sequence.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace aurelith::sequence {

// The plan of a sequence at a device rate: one lane per voice, one segment
// from each point to the next (to the sequence's end for the last).
glide::Plan compilePlan(const Sequence& sequence, int deviceRate);

// The pair of tones the window's boxes show.
struct TonePair {
    double leftHz = 0;
    double rightHz = 0;
    double beatHz = 0; // right minus left
};

class SequencePlayer {
public:
    explicit SequencePlayer(GlideVoices& voices) : voices_(voices) {}

    // Plays from a time (seconds from the start); false (nothing plays) when
    // the sound system cannot play it.
    bool play(const Sequence& sequence, double fromSeconds = 0);
    // A live edit of the sequence playing, heard from the next frame.
    bool replace(const Sequence& sequence);
    void seek(double seconds);
    // Fades out and forgets the sequence.
    void stop();
    bool playing() const { return playing_; }
    // Seconds from the sequence's start, as rendered; 0 when none plays.
    double position() const;
    double length() const { return sequence_ ? sequence_->lengthSeconds : 0; }
    const Sequence* sequence() const { return sequence_ ? &*sequence_ : nullptr; }
    // The first binaural voice's tones now; none when it has none.
    std::optional<TonePair> currentPair() const;
    // The window's masters: "Tone Vol" and "Mask Vol" as gains 0 ... 1.
    void setLevels(double tones, double noise) { voices_.setGlideLevels(tones, noise); }
    // For the window's timer: true once, when the sequence has played to its
    // end (its fade done); it then no longer plays.
    bool finished();

private:
    GlideVoices& voices_;
    std::optional<Sequence> sequence_;
    int rate_ = 0;
    bool playing_ = false;
};

// Renders a whole sequence with no device, through the same mixer the window
// plays it with, into sink as blocks of interleaved stereo float (at
// renderRate()); sink returns false to stop early. tones and noise are the
// master gains. False with a reason when it cannot render or was stopped.
bool renderSequence(const Sequence& sequence, double tones, double noise,
                    const std::function<bool(const float* stereo, int frames)>& sink, std::string& error);
int renderRate();

} // namespace aurelith::sequence
