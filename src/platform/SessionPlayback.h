// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Sequences window's and the editor's playback, connected to the main
// window's sequence session: what they play is what the main window shows.

#include "platform/SequencePlayback.h"
#include "sequence/SequenceSession.h"

namespace aurelith {

class SessionPlayback : public SequencePlayback {
public:
    SessionPlayback(App& app, sequence::SequenceSession& session) : app_(app), session_(session) {}

    void play(const sequence::Sequence& sequence, double fromSeconds) override
    {
        if (!session_.play(sequence, fromSeconds))
            app_.message("\"" + sequence.name + "\" cannot be played: no sound output is open.");
    }
    void replace(const sequence::Sequence& sequence) override { session_.replace(sequence); }
    void stop() override { session_.stop(); }
    double positionSeconds() const override { return session_.position(); }
    bool isPlaying() const override { return session_.playing(); }

private:
    App& app_;
    sequence::SequenceSession& session_;
};

} // namespace aurelith
