// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/ToneLimits.h"
#include "sound/AudioOutput.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace aurelith {

// The default sound device through SDL, pulling from the Mixer on SDL's audio
// thread in periods of about 11 ms.
//
// The audio thread only notes what happens in atomics (gaps between callbacks,
// how long it has played silence); health(), on the window's thread, logs that
// under "aurelith.audio" and says whether the device is lost or idle.
class SdlAudioOutput : public AudioOutput {
public:
    static constexpr int kWantedRate = kSampleRate;
    static constexpr int kPeriodFrames = 512;
    // The first callbacks come in a burst that fills the server's buffer, then
    // wait for it to drain: a long gap among this many is not counted as a dropout.
    static constexpr int kSettlingCallbacks = 20;

    SdlAudioOutput() = default;
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    bool open(Mixer& mixer, int& deviceRate, std::string& error) override;
    void close() override;
    Health health() override;
    // SDL tells no latency: it is taken as two periods (the one being
    // rendered and the one the device plays), published as an estimate.
    bool timing(OutputTiming& t) const override { return timing_.read(t); }
    // The device's own channels, as SDL (or, under its PulseAudio driver, the
    // server) tells them when it opens; SDL converts our stereo to whatever the
    // device has.
    int channels() const override { return deviceChannels_; }

    // What the user reads under the start-up message when no output opens.
    static std::string explainFailure(const std::string& driver, bool driverChosenByUser, const std::string& sdlError);

private:
    static void callback(void* userdata, std::uint8_t* stream, int bytes);
    void resetCounters();

    Mixer* mixer_ = nullptr;
    std::uint32_t device_ = 0;
    int rate_ = 0;
    int periodFrames_ = 0;
    int deviceChannels_ = 2;

    // Written by the audio thread, read and reset by the window's thread.
    std::atomic<std::int64_t> lastCallbackNs_{0};
    std::atomic<std::int64_t> longestGapNs_{0};
    std::atomic<int> gaps_{0};
    std::atomic<std::int64_t> silentFrames_{0};
    int callbacks_ = 0; // audio thread only
    TimingSnapshot timing_;
};

} // namespace aurelith
