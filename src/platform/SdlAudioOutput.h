// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sound/AudioOutput.h"

#include <cstdint>

namespace aurelith {

// The default sound device through SDL, pulling from the Mixer on SDL's audio
// thread in periods of about 11 ms.
class SdlAudioOutput : public AudioOutput {
public:
    static constexpr int kWantedRate = 44100;
    static constexpr int kPeriodFrames = 512;

    SdlAudioOutput() = default;
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    bool open(Mixer& mixer, int& deviceRate, std::string& error) override;
    void close() override;

private:
    static void callback(void* userdata, std::uint8_t* stream, int bytes);

    Mixer* mixer_ = nullptr;
    std::uint32_t device_ = 0;
};

} // namespace aurelith
