// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DefaultAudioOutput.h"

#include "platform/AudioLog.h"

#include <cstdlib>

namespace aurelith {
namespace {

bool sdlDriverChosen()
{
    const char* chosen = std::getenv("SDL_AUDIODRIVER");
    return chosen && *chosen;
}

} // namespace

bool DefaultAudioOutput::open(Mixer& mixer, int& deviceRate, std::string& error)
{
    if (open_) {
        error = "The sound device is already open.";
        return false;
    }
    if (!sdlDriverChosen()) {
        std::string pulseError;
        if (pulse_.open(mixer, deviceRate, pulseError)) {
            open_ = &pulse_;
            return true;
        }
        qCInfo(lcAudio) << "libpulse:" << pulseError.c_str() << "Trying SDL.";
    }
    // SDL's own message says what the user can do; the strobe has no timing
    // but an estimate here.
    if (!sdl_.open(mixer, deviceRate, error))
        return false;
    open_ = &sdl_;
    return true;
}

void DefaultAudioOutput::close()
{
    if (open_)
        open_->close();
    open_ = nullptr;
}

} // namespace aurelith
