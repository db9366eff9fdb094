// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace aurelith {

class Mixer;

// A sound device that pulls audio from a Mixer on its own thread.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Starts pulling from mixer. Before its first render the output must call
    // mixer.attachAudioThread() with the rate it got, which it also reports in
    // deviceRate. On failure returns false with a one-line reason in error.
    virtual bool open(Mixer& mixer, int& deviceRate, std::string& error) = 0;
    // Stops pulling; after it returns the mixer's render() is no longer called
    // and the output has called mixer.detachAudioThread().
    virtual void close() = 0;
};

} // namespace aurelith
