// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone/Playback.h"

#include "photic/Strobe.h"
#include "tone/ToneWriter.h"
#include "ui/ControlNames.h"

#include <array>

namespace aurelith {
namespace {

using namespace ctl;

std::string maskFileName(int selection)
{
    return selection <= 1 ? "pink_inv.wav" : "mask" + std::to_string(selection) + ".wav";
}

// Replaces the buffer in a slot when the file loads; a failed load keeps the old one.
// A tone buffer is played at the rate that makes one loop last exactly 1/f seconds:
// the file holds one cycle in a whole number of frames, so its own rate would be off pitch.
// A tone is made from the bytes its writer produced when there are any: the
// file may be gone or stale by now.
void loadSlot(App& app, int slot, const std::string& path, double toneHz,
              const std::vector<unsigned char>* written = nullptr)
{
    std::unique_ptr<SoundBuffer> buffer = written && !written->empty()
                                              ? app.sound.createBufferFromMemory(path, *written)
                                              : app.sound.createBuffer(path);
    if (!buffer)
        return;
    if (toneHz > 0)
        buffer->setFrequency(toneHz * static_cast<double>(buffer->frameCount()));
    app.state.soundBuffers[slot] = std::move(buffer);
}

bool playSlot(App& app, int slot, int volume, int pan)
{
    SoundBuffer* buffer = app.state.soundBuffers[slot].get();
    if (!buffer)
        return false;
    buffer->setVolume(volume);
    buffer->setPan(pan);
    buffer->play(true);
    return true;
}

bool rebuild(App& app, bool stopFirst, bool sine)
{
    if (stopFirst)
        stopTones(app);
    WindowState& s = app.state;
    ToneWriter writer{s, app.folder};
    s.leftFreq = leadingNumber(app.form.text(txtSetFreq1));
    if (!validToneFrequency(s.leftFreq)) {
        app.message(kRangeMessage);
        return false;
    }
    sine ? writer.writeSineTone(1) : writer.writeChannelTone(1);
    s.rightFreq = leadingNumber(app.form.text(txtsetfreq2));
    if (!validToneFrequency(s.rightFreq)) {
        app.message(kRangeMessage);
        return false;
    }
    sine ? writer.writeSineTone(2) : writer.writeChannelTone(2);
    startTones(app);
    return true;
}

void stopSound(App& app)
{
    app.form.setTimerEnabled(Timer1, false);
    app.form.setTimerEnabled(Timer2, false);
    stopTones(app);
}

void selectNextMask(App& app)
{
    static constexpr std::array<std::string_view, 4> lamps = {Text19, Text20, Text21, Text22};
    static constexpr std::array<std::string_view, 4> labels = {Label6, Label7, Label8, Label9};
    WindowState& s = app.state;
    for (int i = 0; i < 4; ++i) {
        app.form.setCaption(labels[i], "MK" + std::to_string(i + 1));
        setLamp(app, lamps[i], false);
    }
    s.maskSelection = s.maskSelection >= 8 || s.maskSelection < 1 ? 1 : s.maskSelection + 1;
    const int n = s.maskSelection;
    app.form.setCaption(Frame7, "Mask " + std::to_string(n) + " Vol");
    const int firstLabel = n <= 4 ? 1 : 5;
    for (int i = 0; i < 4; ++i)
        app.form.setCaption(labels[i], "MK" + std::to_string(firstLabel + i));
    setLamp(app, lamps[(n - 1) % 4], true);
    stopTones(app);
}

} // namespace

bool validToneFrequency(double hz) { return hz >= 10 && hz <= 15600; }

void setLamp(App& app, std::string_view lamp, bool on)
{
    const Value& colour = on ? app.state.lampOnColour : app.state.lampOffColour;
    if (const auto c = colour.colour())
        app.form.setBackColour(lamp, *c);
}

void stopTones(App& app)
{
    for (auto& buffer : app.state.soundBuffers)
        if (buffer)
            buffer->stop();
    app.inhibitor->holdSystemAwake(false);
}

void startTones(App& app)
{
    WindowState& s = app.state;
    s.tone1Path = (app.folder / "freq1.wav").string();
    loadSlot(app, 0, s.tone1Path, s.leftFreq, &s.toneBytes[0]);
    s.tone2Path = (app.folder / "freq2.wav").string();
    loadSlot(app, 1, s.tone2Path, s.rightFreq, &s.toneBytes[1]);
    loadSlot(app, 2, (app.folder / maskFileName(s.maskSelection)).string(), 0);
    // New buffers take the separation the "Tone Mod" bar shows, so the ears
    // always hear what the window says (the mask stays centred).
    const int toneVolume = app.form.value(scrToneVol);
    const int separation = app.form.value(scrBalance);
    bool playing = playSlot(app, 0, toneVolume, separation);
    playing |= playSlot(app, 1, toneVolume, -separation);
    playing |= playSlot(app, 2, app.form.value(scrMaskVol), 0);
    // The machine must not fall asleep under a session. The inhibitor keeps
    // its hold through the stop-and-start of a retune, so this stays cheap.
    if (playing)
        app.inhibitor->holdSystemAwake(true);
}

bool rebuildTones(App& app, bool stopFirst) { return rebuild(app, stopFirst, false); }
bool rebuildSineTones(App& app, bool stopFirst) { return rebuild(app, stopFirst, true); }

bool retuneSine(App& app)
{
    const bool inRange = rebuildSineTones(app);
    if (inRange && strobeRunning(app))
        ColorOn(app);
    return inRange;
}

void bindPlayback(App& app)
{
    Form& form = app.form;
    form.onClick(cmdGenerate, [&app] {
        setLamp(app, Text14, true);
        rebuildTones(app, false);
    });
    form.onClick(cmdStop, [&app] {
        setLamp(app, Text14, false);
        stopSound(app);
    });
    form.onClick(opts1, [&app] { rebuildSineTones(app, false); });
    form.onClick(opts2, [&app] { stopSound(app); });
    form.onClick(Command91, [&app] { selectNextMask(app); });
}

} // namespace aurelith
