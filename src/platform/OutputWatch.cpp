// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OutputWatch.h"

namespace aurelith {

OutputWatch::OutputWatch(MixerSoundSystem& sound, int checkMs) : sound_(sound)
{
    check_.setInterval(checkMs);
    QObject::connect(&check_, &QTimer::timeout, [this] {
        sound_.checkOutput();
        follow();
    });
}

void OutputWatch::follow()
{
    if (!sound_.outputOpen())
        check_.stop();
    else if (!check_.isActive())
        check_.start();
}

bool OutputWatch::createDevice(std::string& error)
{
    const bool made = sound_.createDevice(error);
    follow();
    return made;
}

std::unique_ptr<SoundBuffer> OutputWatch::createBuffer(const std::string& path)
{
    auto buffer = sound_.createBuffer(path);
    follow();
    return buffer;
}

std::unique_ptr<SoundBuffer> OutputWatch::createBufferFromMemory(const std::string& name,
                                                                 const std::vector<unsigned char>& bytes)
{
    auto buffer = sound_.createBufferFromMemory(name, bytes);
    follow();
    return buffer;
}

void OutputWatch::releaseDevice()
{
    sound_.releaseDevice();
    follow();
}

} // namespace aurelith
