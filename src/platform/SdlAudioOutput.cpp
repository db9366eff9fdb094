// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SdlAudioOutput.h"

#include "sound/Mixer.h"

#include <SDL.h>

#include <cstdlib>

namespace aurelith {

SdlAudioOutput::~SdlAudioOutput()
{
    close();
}

bool SdlAudioOutput::open(Mixer& mixer, int& deviceRate, std::string& error)
{
    if (device_ != 0) {
        error = "The sound device is already open.";
        return false;
    }
    // SDL would turn SIGTERM and SIGINT into quit events nobody reads, so the
    // program could no longer be ended by a signal (at logout, by kill).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The desktop's mixer lists the stream as "Aurelith", a music stream.
    SDL_SetHint(SDL_HINT_APP_NAME, "Aurelith");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Aurelith");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Aurelith");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Music");
    // SDL's PulseAudio driver (the one PipeWire's pulse service serves too)
    // passes no role; libpulse takes it from the environment. A role the user
    // set is kept.
    ::setenv("PULSE_PROP_media.role", "music", 0);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = std::string("Cannot start SDL audio: ") + SDL_GetError();
        return false;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = kWantedRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = kPeriodFrames;
    wanted.callback = &SdlAudioOutput::callback;
    wanted.userdata = this;
    SDL_AudioSpec got{};
    mixer_ = &mixer;
    // Format and channels are converted by SDL if need be; only the rate may differ.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (device_ == 0) {
        error = std::string("Cannot open the default sound output: ") + SDL_GetError();
        mixer_ = nullptr;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    // The device starts paused, so the mixer learns its rate before the first render.
    mixer.attachAudioThread(got.freq);
    deviceRate = got.freq;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlAudioOutput::close()
{
    if (device_ == 0) {
        return;
    }
    // Returns once the audio thread has stopped for good.
    SDL_CloseAudioDevice(device_);
    device_ = 0;
    mixer_->detachAudioThread();
    mixer_ = nullptr;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioOutput::callback(void* userdata, std::uint8_t* stream, int bytes)
{
    auto* self = static_cast<SdlAudioOutput*>(userdata);
    const int frames = bytes / static_cast<int>(2 * sizeof(float));
    self->mixer_->render(reinterpret_cast<float*>(stream), frames);
}

} // namespace aurelith
