// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SdlAudioOutput.h"

#include "platform/AudioLog.h"
#include "platform/PulseStreamChannels.h"
#include "sound/Mixer.h"

#include <SDL.h>

#include <chrono>
#include <optional>
#include <cstdlib>
#include <dlfcn.h>

namespace aurelith {
namespace {

const char* formatName(SDL_AudioFormat format)
{
    switch (format) {
    case AUDIO_F32LSB: return "float32le";
    case AUDIO_F32MSB: return "float32be";
    case AUDIO_S16LSB: return "s16le";
    case AUDIO_S16MSB: return "s16be";
    case AUDIO_S32LSB: return "s32le";
    case AUDIO_U8: return "u8";
    default: return "other";
    }
}

void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// Without a sound card ALSA writes eight lines of its own errors to the
// terminal as SDL probes it; the user gets our message instead. SDL loads
// the same libasound, so the handler set here is the one it meets.
void quietAlsa()
{
    static void* const alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL); // kept loaded for good
    if (!alsa)
        return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    if (auto set = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(&ignoreAlsaError);
}

void setHints()
{
    quietAlsa();
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
}

SDL_AudioSpec stereoFloat(int rate, int periodFrames, SDL_AudioCallback callback, void* userdata)
{
    SDL_AudioSpec wanted{};
    wanted.freq = rate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = static_cast<Uint16>(periodFrames);
    wanted.callback = callback;
    wanted.userdata = userdata;
    return wanted;
}

// What the default output has, where SDL can tell (2.24 and later); stereo
// otherwise, which is what SDL is given.
int defaultDeviceChannels()
{
#if SDL_VERSION_ATLEAST(2, 24, 0)
    char* name = nullptr;
    SDL_AudioSpec format{};
    if (SDL_GetDefaultAudioInfo(&name, &format, 0) == 0) {
        SDL_free(name);
        if (format.channels > 0)
            return format.channels;
    }
#endif
    return 2;
}

void logOpened(const std::string& driver, const SDL_AudioSpec& got, std::int64_t tookNs)
{
    qCInfo(lcAudio).nospace() << "driver " << driver.c_str() << ", " << got.freq << " Hz, " << got.channels
                              << " channels, " << formatName(got.format) << ", period " << got.samples << " frames ("
                              << 1000.0 * got.samples / got.freq << " ms); opened in " << tookNs / 1e6 << " ms";
}

} // namespace

SdlAudioOutput::~SdlAudioOutput() { close(); }

void SdlAudioOutput::resetCounters()
{
    lastCallbackNs_ = 0;
    longestGapNs_ = 0;
    gaps_ = 0;
    silentFrames_ = 0;
    callbacks_ = 0;
    timing_.clear();
}

std::string SdlAudioOutput::explainFailure(const std::string& driver, bool driverChosenByUser,
                                           const std::string& sdlError)
{
    std::string text;
    if (driverChosenByUser) {
        text = "The sound output \"" + driver +
               "\" chosen by SDL_AUDIODRIVER could not be opened. "
               "Unset SDL_AUDIODRIVER to use the PulseAudio or PipeWire sound server, "
               "or name another output (alsa, pulseaudio, pipewire).";
    } else {
        text = "No PulseAudio or PipeWire sound server answered. Start one (for example: systemctl --user start "
               "pipewire-pulse, or pulseaudio --start), or choose another output by starting the program with "
               "SDL_AUDIODRIVER=alsa.";
    }
    if (!sdlError.empty())
        text += "\n(" + (driver.empty() ? std::string("SDL") : driver) + ": " + sdlError + ")";
    return text;
}

bool SdlAudioOutput::open(Mixer& mixer, int& deviceRate, std::string& error)
{
    if (device_ != 0) {
        error = "The sound device is already open.";
        return false;
    }
    setHints();
    const std::int64_t openedFrom = monotonicNs();
    const char* chosen = std::getenv("SDL_AUDIODRIVER");
    const bool byUser = chosen && *chosen;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = explainFailure(byUser ? chosen : "", byUser, SDL_GetError());
        qCInfo(lcAudio) << "no audio driver:" << SDL_GetError();
        return false;
    }
    const std::string driver = SDL_GetCurrentAudioDriver() ? SDL_GetCurrentAudioDriver() : "";
    // A reopened device keeps the mixer's rate (SDL converts) so playing voices stay in tune.
    const bool keepRate = deviceRate > 0;
    const SDL_AudioSpec wanted = stereoFloat(keepRate ? deviceRate : kWantedRate, kPeriodFrames,
                                             &SdlAudioOutput::callback, this);
    SDL_AudioSpec got{};
    mixer_ = &mixer;
    resetCounters();
    // Format and channels are converted by SDL if need be; only the rate may differ.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, keepRate ? 0 : SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (device_ == 0) {
        error = explainFailure(driver, byUser, SDL_GetError());
        qCInfo(lcAudio) << "cannot open the default output of" << driver.c_str() << ":" << SDL_GetError();
        mixer_ = nullptr;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    rate_ = got.freq;
    periodFrames_ = got.samples > 0 ? got.samples : kPeriodFrames;
    // Its PulseAudio driver names the first sink's channels as the default's;
    // the server knows the sink the stream really plays to.
    const std::optional<int> streamChannels = driver == "pulseaudio" ? pulseChannelsOfOwnStream() : std::nullopt;
    deviceChannels_ = streamChannels.value_or(defaultDeviceChannels());
    logOpened(driver, got, monotonicNs() - openedFrom);
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
    qCInfo(lcAudio) << "output closed";
}

AudioOutput::Health SdlAudioOutput::health()
{
    if (device_ == 0)
        return Health::Closed;
    if (const int gaps = gaps_.exchange(0)) {
        qCInfo(lcAudio).nospace() << gaps << " gap(s) between audio callbacks longer than two periods, the longest "
                                  << longestGapNs_.exchange(0) / 1e6 << " ms";
    }
    return openOutputHealth(SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED,
                            silentFrames_.load(std::memory_order_relaxed), rate_);
}

// Audio thread: no locks, no allocation, no logging; only atomics are noted.
void SdlAudioOutput::callback(void* userdata, std::uint8_t* stream, int bytes)
{
    auto* self = static_cast<SdlAudioOutput*>(userdata);
    const int frames = bytes / static_cast<int>(2 * sizeof(float));
    auto* out = reinterpret_cast<float*>(stream);
    self->mixer_->render(out, frames);

    const std::int64_t now = monotonicNs();
    const std::int64_t latencyFrames = 2LL * self->periodFrames_;
    self->timing_.publish({now, static_cast<double>(self->mixer_->framesRendered() - latencyFrames),
                           latencyFrames * 1000000000LL / self->rate_, true});
    const std::int64_t gap = now - self->lastCallbackNs_.exchange(now, std::memory_order_relaxed);
    if (self->callbacks_ < kSettlingCallbacks)
        ++self->callbacks_;
    else if (gap > 2 * 1000000000LL * self->periodFrames_ / self->rate_) {
        self->gaps_.fetch_add(1, std::memory_order_relaxed);
        std::int64_t longest = self->longestGapNs_.load(std::memory_order_relaxed);
        while (gap > longest && !self->longestGapNs_.compare_exchange_weak(longest, gap, std::memory_order_relaxed)) {
        }
    }
    bool silent = true;
    for (int i = 0; i < 2 * frames && silent; ++i)
        silent = out[i] == 0.0f;
    if (silent)
        self->silentFrames_.fetch_add(frames, std::memory_order_relaxed);
    else
        self->silentFrames_.store(0, std::memory_order_relaxed);
}

} // namespace aurelith
