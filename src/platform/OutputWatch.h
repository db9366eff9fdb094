// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/SoundSystem.h"
#include "sound/MixerSoundSystem.h"

#include <QTimer>

namespace aurelith {

// The sound system the handlers use, with the output's health checked once a
// second only while the output is open: a closed output needs no check, and
// an idle program should not wake at all. The device made and every buffer
// made may have opened it, so that is when the check starts.
class OutputWatch : public SoundSystem {
public:
    explicit OutputWatch(MixerSoundSystem& sound, int checkMs = 1000);

    bool createDevice(std::string& error) override;
    bool hasDevice() const override { return sound_.hasDevice(); }
    std::unique_ptr<SoundBuffer> createBuffer(const std::string& path) override;
    std::unique_ptr<SoundBuffer> createBufferFromMemory(const std::string& name,
                                                        const std::vector<unsigned char>& bytes) override;
    void releaseDevice() override;

    bool checking() const { return check_.isActive(); }

private:
    void follow();

    MixerSoundSystem& sound_;
    QTimer check_;
};

} // namespace aurelith
