// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/GlideVoices.h"
#include "ports/HeardBeat.h"
#include "ports/SoundSystem.h"
#include "sound/MixerSoundSystem.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <string>

namespace aurelith {

// The sound system the handlers use, with the output's health checked once a
// second only while the output is open: a closed output needs no check, and
// an idle program should not wake at all. The device made and every buffer
// made may have opened it, so that is when the check starts. It also answers
// for the output's heard clock, which the strobe follows, and logs that clock.
class OutputWatch : public SoundSystem, public HeardBeatSource, public GlideVoices {
public:
    explicit OutputWatch(MixerSoundSystem& sound, int checkMs = 1000);

    bool createDevice(std::string& error) override;
    bool hasDevice() const override { return sound_.hasDevice(); }
    std::unique_ptr<SoundBuffer> createBuffer(const std::string& path) override;
    std::unique_ptr<SoundBuffer> createStandIn(const std::string& path) override;
    std::unique_ptr<SoundBuffer>
    createBufferFromMemory(const std::string& name, const std::vector<unsigned char>& bytes, ToneWave wave) override;
    void releaseDevice() override;
    int outputChannels() const override { return sound_.outputChannels(); }
    HeardBeatSource* heardBeats() override { return this; }
    GlideVoices* glideVoices() override { return this; }
    std::optional<HeardBeat> heardBeat(const SoundBuffer& left, const SoundBuffer& right) override
    {
        return sound_.heardBeat(left, right);
    }
    std::optional<HeardBeat> glideHeardBeat() override { return sound_.glideHeardBeat(); }

    // A sequence may open the output as a buffer does, so its start is followed too.
    int glideRate() const override { return sound_.glideRate(); }
    bool playGlide(std::shared_ptr<const glide::Plan> plan, std::int64_t fromFrame) override;
    bool replaceGlide(std::shared_ptr<const glide::Plan> plan) override { return sound_.replaceGlide(std::move(plan)); }
    void seekGlide(std::int64_t frame) override { sound_.seekGlide(frame); }
    void stopGlide() override { sound_.stopGlide(); }
    std::int64_t glidePosition() const override { return sound_.glidePosition(); }
    bool glideFinished() override { return sound_.glideFinished(); }
    void setGlideLevels(double tones, double noise) override { sound_.setGlideLevels(tones, noise); }

    // Logged every few seconds at most: the last offset and the worst since the previous line.
    void notePaintedOnset(double offsetMs) override;
    static constexpr int kOffsetLogMs = 5000;
    // The display's side of that line: its path, delay and misses.
    void describeDisplay(std::function<std::string()> describe) { describeDisplay_ = std::move(describe); }

    bool checking() const { return check_.isActive(); }
    // Whether the output is open: what plays is heard.
    bool outputOpen() const { return sound_.outputOpen(); }
    // Told when the output opens or closes (a lost sound server closes it).
    std::function<void()> onOutputChanged;

private:
    void follow();

    void logClock();

    MixerSoundSystem& sound_;
    QTimer check_;
    int checks_ = 0;
    bool wasOpen_ = false;
    QElapsedTimer offsetLogged_;
    double worstOffsetMs_ = 0;
    int offsets_ = 0;
    std::function<std::string()> describeDisplay_;
};

} // namespace aurelith
