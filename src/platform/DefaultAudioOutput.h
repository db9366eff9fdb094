// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PulseAudioOutput.h"
#include "platform/SdlAudioOutput.h"

namespace aurelith {

// The program's output: libpulse when a PulseAudio or PipeWire server
// answers, for its timing; SDL otherwise (machines with ALSA alone), or
// whenever the user names an SDL driver with SDL_AUDIODRIVER.
class DefaultAudioOutput : public AudioOutput {
public:
    bool open(Mixer& mixer, int& deviceRate, std::string& error) override;
    void close() override;
    Health health() override { return open_ ? open_->health() : Health::Closed; }
    bool timing(OutputTiming& t) const override { return open_ && open_->timing(t); }
    int channels() const override { return open_ ? open_->channels() : 2; }

private:
    PulseAudioOutput pulse_;
    SdlAudioOutput sdl_;
    AudioOutput* open_ = nullptr;
};

} // namespace aurelith
