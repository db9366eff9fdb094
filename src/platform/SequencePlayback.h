// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the Sequences window and the editor need of the player: play from a
// time, swap the sequence being heard for an edited one without a restart,
// stop, and tell where playback stands. The host connects it to the sound
// engine's sequence player; tests use a recording double.

#include "sequence/Sequence.h"

namespace aurelith {

class SequencePlayback {
public:
    virtual ~SequencePlayback() = default;
    // Starts (or restarts) the sequence at fromSeconds.
    virtual void play(const sequence::Sequence& sequence, double fromSeconds) = 0;
    // An edit while playing: heard from the next frame on, at the same position.
    virtual void replace(const sequence::Sequence& sequence) = 0;
    virtual void stop() = 0;
    // Seconds from the sequence's start; meaningful while playing.
    virtual double positionSeconds() const = 0;
    // False again once the sequence has ended by itself.
    virtual bool isPlaying() const = 0;
};

} // namespace aurelith
