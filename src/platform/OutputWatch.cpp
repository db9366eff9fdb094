// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OutputWatch.h"

#include "platform/AudioLog.h"

#include <cmath>

namespace aurelith {

OutputWatch::OutputWatch(MixerSoundSystem& sound, int checkMs) : sound_(sound)
{
    check_.setInterval(checkMs);
    QObject::connect(&check_, &QTimer::timeout, [this] {
        logClock();
        sound_.checkOutput();
        follow();
    });
}

// The output's clock as the strobe follows it, every ten checks.
void OutputWatch::logClock()
{
    const HeardClock& clock = sound_.heardClock();
    if (++checks_ % 10 == 0 && clock.valid())
        qCInfo(lcAudio).nospace() << "heard clock: latency " << clock.latencyNs() / 1e6 << " ms, rate " << clock.ppm()
                                  << " ppm against the monotonic clock, " << clock.jumps() << " re-anchoring(s)";
}

void OutputWatch::notePaintedOnset(double offsetMs)
{
    if (!lcAudio().isInfoEnabled())
        return;
    ++offsets_;
    if (std::abs(offsetMs) > std::abs(worstOffsetMs_))
        worstOffsetMs_ = offsetMs;
    if (offsetLogged_.isValid() && offsetLogged_.elapsed() < kOffsetLogMs)
        return;
    const HeardClock& clock = sound_.heardClock();
    qCInfo(lcAudio).nospace() << "light on the beat: onset " << offsetMs << " ms after its in-phase moment, worst "
                              << worstOffsetMs_ << " ms of " << offsets_ << "; latency " << clock.latencyNs() / 1e6
                              << " ms, rate " << clock.ppm() << " ppm"
                              << (describeDisplay_ ? "; " + describeDisplay_() : std::string()).c_str();
    offsetLogged_.start();
    worstOffsetMs_ = 0;
    offsets_ = 0;
}

void OutputWatch::follow()
{
    const bool open = sound_.outputOpen();
    if (!open)
        check_.stop();
    else if (!check_.isActive())
        check_.start();
    if (open != wasOpen_) {
        wasOpen_ = open;
        if (onOutputChanged)
            onOutputChanged();
    }
}

bool OutputWatch::createDevice(std::string& error)
{
    const bool made = sound_.createDevice(error);
    follow();
    return made;
}

bool OutputWatch::playGlide(std::shared_ptr<const glide::Plan> plan, std::int64_t fromFrame)
{
    const bool playing = sound_.playGlide(std::move(plan), fromFrame);
    follow();
    return playing;
}

std::unique_ptr<SoundBuffer> OutputWatch::createBuffer(const std::string& path)
{
    auto buffer = sound_.createBuffer(path);
    follow();
    return buffer;
}

std::unique_ptr<SoundBuffer> OutputWatch::createStandIn(const std::string& path)
{
    auto buffer = sound_.createStandIn(path);
    follow();
    return buffer;
}

std::unique_ptr<SoundBuffer> OutputWatch::createBufferFromMemory(const std::string& name,
                                                                 const std::vector<unsigned char>& bytes, ToneWave wave)
{
    auto buffer = sound_.createBufferFromMemory(name, bytes, wave);
    follow();
    return buffer;
}

void OutputWatch::releaseDevice()
{
    sound_.releaseDevice();
    follow();
}

} // namespace aurelith
