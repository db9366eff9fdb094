// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone/Playback.h"

#include "app/DataFileNames.h"
#include "core/ToneLimits.h"
#include "app/ModePanel.h"
#include "app/TrustedFile.h"
#include "tone/MaskSelector.h"
#include "tone/ToneWriter.h"
#include "tone/ToneWrites.h"
#include "ui/ControlNames.h"

#include <algorithm>
#include <map>

namespace aurelith {
namespace {

using namespace ctl;

// Replaces the buffer in a slot when the file loads; a failed load keeps the old one.
// A tone buffer is played at the rate that makes one loop last exactly 1/f seconds:
// the file holds one cycle in a whole number of frames, so its own rate would be off pitch.
// A tone is made from the bytes its writer produced when there are any: the
// file may be gone or stale by now.
// A mask someone else planted is not played; mask 1 then has its stand-in.
std::unique_ptr<SoundBuffer> openSound(App& app, const std::string& path)
{
    if (trustOf(path) == FileTrust::untrusted)
        return app.sound.createStandIn(path);
    return app.sound.createBuffer(path);
}

void loadSlot(App& app, SoundSlot slot, const std::string& path, double toneHz,
              const std::vector<unsigned char>* written = nullptr, ToneWave wave = ToneWave::unknown)
{
    std::unique_ptr<SoundBuffer> buffer = written && !written->empty()
                                              ? app.sound.createBufferFromMemory(path, *written, wave)
                                              : openSound(app, path);
    if (!buffer)
        return;
    if (toneHz > 0)
        buffer->setFrequency(toneHz * static_cast<double>(buffer->frameCount()));
    ToneWrites::tone(app).soundBuffers[slot] = std::move(buffer);
}

bool playSlot(App& app, SoundSlot slot, int volume, int pan)
{
    SoundBuffer* buffer = app.state.tone.soundBuffers[slot].get();
    if (!buffer)
        return false;
    buffer->setVolume(volume);
    buffer->setPan(pan);
    buffer->play(true);
    return true;
}

// Reads one channel's box into its frequency and writes its tone file; false
// (after the range message) when the frequency is out of range.
bool writeChannel(App& app, ToneWriter& writer, int channel, ToneShape shape)
{
    ToneState& tone = ToneWrites::tone(app);
    double& hz = channel == 1 ? tone.leftFreq : tone.rightFreq;
    hz = leadingNumber(app.form.text(channel == 1 ? txtSetFreq1 : txtsetfreq2));
    if (!validToneFrequency(hz)) {
        app.message(kRangeMessage);
        return false;
    }
    shape == ToneShape::sine ? writer.writeSineTone(channel) : writer.writeChannelTone(channel);
    return true;
}

bool rebuild(App& app, BeforeWriting before, ToneShape shape)
{
    if (before == BeforeWriting::stopTones)
        stopTones(app);
    ToneWriter writer{ToneWrites::tone(app), app.files};
    if (!writeChannel(app, writer, 1, shape) || !writeChannel(app, writer, 2, shape))
        return false;
    startTones(app);
    return true;
}

// App has no slot for it; an App's entry is replaced each time it is bound.
std::map<const App*, std::function<void()>>& retuneListeners()
{
    static std::map<const App*, std::function<void()>> listeners;
    return listeners;
}

std::map<const App*, std::vector<std::function<void()>>>& soundSources()
{
    static std::map<const App*, std::vector<std::function<void()>>> sources;
    return sources;
}

std::map<const App*, std::vector<std::function<void()>>>& soundWatchers()
{
    static std::map<const App*, std::vector<std::function<void()>>> watchers;
    return watchers;
}

std::map<const App*, std::vector<std::function<void()>>>& takeOvers()
{
    static std::map<const App*, std::vector<std::function<void()>>> listeners;
    return listeners;
}

void windowTakesOver(const App& app)
{
    if (const auto it = takeOvers().find(&app); it != takeOvers().end())
        for (const auto& takeOver : it->second)
            takeOver();
}

void soundChanged(const App& app)
{
    if (const auto it = soundWatchers().find(&app); it != soundWatchers().end())
        for (const auto& changed : it->second)
            changed();
}

} // namespace

bool validToneFrequency(double hz) { return isToneFrequency(hz); }

int fadedLevel(const App& app, int barLevel) { return std::max(kSilentLevel, barLevel + app.state.tone.fadeDrop); }

void setFadeDrop(App& app, int drop) { ToneWrites::tone(app).fadeDrop = drop; }

void stopTones(App& app)
{
    windowTakesOver(app);
    for (auto& buffer : app.state.tone.soundBuffers)
        if (buffer)
            buffer->stop();
    app.inhibitor->holdSystemAwake(false);
    soundChanged(app);
}

void watchSound(App& app, std::function<void()> changed) { soundWatchers()[&app].push_back(std::move(changed)); }

void stopSound(App& app)
{
    app.form.setTimerEnabled(tmrStim, false);
    app.form.setTimerEnabled(tmrBack, false);
    stopTones(app);
}

void beforeWindowTones(App& app, std::function<void()> takeOver) { takeOvers()[&app].push_back(std::move(takeOver)); }

void addSoundSource(App& app, std::function<void()> stop) { soundSources()[&app].push_back(std::move(stop)); }

void stopEverySound(App& app)
{
    setLamp(app, modePanel::kSoundLamp, false);
    stopSound(app);
    if (const auto it = soundSources().find(&app); it != soundSources().end())
        for (const auto& stop : it->second)
            stop();
}

void startTones(App& app)
{
    windowTakesOver(app);
    ToneState& s = ToneWrites::tone(app);
    loadSlot(app, SoundSlot::tone1, (app.folder / dataFile::toneFile(1)).string(), s.leftFreq, &s.toneBytes[0],
             s.toneWaves[0]);
    loadSlot(app, SoundSlot::tone2, (app.folder / dataFile::toneFile(2)).string(), s.rightFreq, &s.toneBytes[1],
             s.toneWaves[1]);
    loadSlot(app, SoundSlot::mask, (app.folder / dataFile::maskSound(s.maskSelection)).string(), 0);
    // New buffers take the separation the "Tone Mod" bar shows, so the ears
    // always hear what the window says (the mask stays centred).
    const int toneVolume = fadedLevel(app, app.form.value(scrToneVol));
    const int separation = app.form.value(scrBalance);
    bool playing = playSlot(app, SoundSlot::tone1, toneVolume, separation);
    playing |= playSlot(app, SoundSlot::tone2, toneVolume, -separation);
    playing |= playSlot(app, SoundSlot::mask, fadedLevel(app, app.form.value(scrMaskVol)), 0);
    // The machine must not fall asleep under a session. The inhibitor keeps
    // its hold through the stop-and-start of a retune, so this stays cheap.
    if (playing)
        app.inhibitor->holdSystemAwake(true);
    soundChanged(app);
}

bool rebuildTones(App& app, BeforeWriting before) { return rebuild(app, before, ToneShape::current); }
bool rebuildSineTones(App& app, BeforeWriting before) { return rebuild(app, before, ToneShape::sine); }

void writeSineTones(App& app, double left, double right)
{
    ToneWriter writer{ToneWrites::tone(app), app.files};
    ToneWrites::tone(app).leftFreq = left;
    writer.writeSineTone(1);
    ToneWrites::tone(app).rightFreq = right;
    writer.writeSineTone(2);
}

bool retuneSine(App& app)
{
    const bool inRange = rebuildSineTones(app);
    if (inRange)
        tonesRetuned(app);
    return inRange;
}

void tonesRetuned(App& app)
{
    const auto it = retuneListeners().find(&app);
    if (it != retuneListeners().end() && it->second)
        it->second();
}

void bindPlayback(App& app, std::function<void()> onTonesRetuned)
{
    retuneListeners()[&app] = std::move(onTonesRetuned);
    Form& form = app.form;
    form.onClick(cmdGenerate, [&app] { // "Start"
        setLamp(app, modePanel::kSoundLamp, true);
        rebuildTones(app, BeforeWriting::leavePlaying);
    });
    form.onClick(cmdStop, [&app] { // "Stop"
        setLamp(app, modePanel::kSoundLamp, false);
        stopSound(app);
    });
    soundSources()[&app].clear(); // bound anew: the sources bind after this
    takeOvers()[&app].clear();
    form.onClick(mnuSoundOn, [&app] { rebuildSineTones(app, BeforeWriting::leavePlaying); }); // "&Sound ON"
    form.onClick(mnuSoundOff, [&app] { stopSound(app); });                                    // "&Sound OFF"
    bindMaskSelector(app);
}

} // namespace aurelith
