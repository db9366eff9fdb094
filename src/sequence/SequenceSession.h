// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The window's side of a playing sequence: one player on the sound system's
// gliding voices, under the window's own levels, shown in its frequency boxes
// and beat, ended by the sleep timer and by anything that plays the window's
// own tones.

#include "app/App.h"
#include "sequence/SequencePlayer.h"

#include <functional>
#include <optional>

namespace aurelith::sequence {

class SequenceSession {
public:
    SequenceSession(App& app, GlideVoices& voices, std::function<void()> started);

    // Stops the window's tones and plays the sequence from a time; false
    // (nothing plays) when the sound system cannot.
    bool play(const Sequence& sequence, double fromSeconds);
    bool replace(const Sequence& sequence);
    void seek(double seconds);
    // Fades out; the window stays as it is.
    void stop();
    bool playing() const { return player_.playing(); }
    double position() const { return player_.position(); }
    double length() const { return player_.length(); }
    const Sequence* sequence() const { return player_.sequence(); }
    // Every ~200 ms while it plays (tmrSequence).
    void tick();

private:
    void applyLevels();
    void show();
    void ended();

    App& app_;
    SequencePlayer player_;
    std::function<void()> started_;
};

// Binds tmrSequence and the ways a sequence ends. started is called after a
// sequence starts (the shell restarts the strobe on it).
void bindSequenceSession(App& app, std::function<void()> started = {});
// The session bound to this window; nothing where the sound system has no
// gliding voices.
SequenceSession* sequenceSession(const App& app);

} // namespace aurelith::sequence
