// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/OutputClock.h"

#include <cstdint>
#include <string>

namespace aurelith {

// An open output that has played only silence this long closes until the next
// start, so an idle program holds no device and wakes no one.
inline constexpr double kOutputIdleSeconds = 3.0;
inline bool silentLongEnough(std::int64_t silentFrames, double rate)
{
    return silentFrames >= static_cast<std::int64_t>(kOutputIdleSeconds * rate);
}

class Mixer;

// A sound device that pulls audio from a Mixer on its own thread. Every call
// but timing() is the window thread's; MixerSoundSystem, the one caller, checks it.
class AudioOutput {
public:
    // What the window's thread learns when it looks at the device.
    enum class Health {
        Playing, // open and pulling
        Idle,    // open, but it has played nothing but silence for a while
        Lost,    // open, but the device or its sound server went away
        Closed,
    };

    virtual ~AudioOutput() = default;
    // Starts pulling from mixer. Before its first render the output must call
    // mixer.attachAudioThread() with the rate it got, which it also reports in
    // deviceRate. On entry deviceRate is 0 for whatever rate suits the device,
    // or the rate the mixer must keep (the output then converts). On failure
    // returns false with a one-line reason in error.
    virtual bool open(Mixer& mixer, int& deviceRate, std::string& error) = 0;
    // Stops pulling; after it returns the mixer's render() is no longer called
    // and the output has called mixer.detachAudioThread().
    virtual void close() = 0;
    // Window's thread, cheap enough to call every second.
    virtual Health health() { return Health::Playing; }
    // Window's thread, while open: the channels of the device the stereo we
    // give it ends up on (a server or SDL mixes it down to a mono device).
    virtual int channels() const { return 2; }
    // Any thread: the latest timing the output published (frames as the
    // mixer counts them); false while it has none (closed, not yet playing).
    virtual bool timing(OutputTiming& t) const
    {
        (void)t;
        return false;
    }
};

} // namespace aurelith
