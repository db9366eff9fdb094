// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone/LevelControls.h"

#include "ui/ControlNames.h"

#include <array>

namespace aurelith {
namespace {

using namespace ctl;

// Sound calls on a slot without a buffer simply do nothing.
void applyToneVolume(App& app)
{
    const int volume = app.form.value(scrToneVol);
    for (SoundSlot slot : {SoundSlot::tone1, SoundSlot::tone2})
        if (auto& buffer = app.state.tone.soundBuffers[slot])
            buffer->setVolume(volume);
}

void applyBalance(App& app)
{
    const int pan = app.form.value(scrBalance);
    if (auto& buffer = app.state.tone.soundBuffers[SoundSlot::tone1])
        buffer->setPan(pan);
    if (auto& buffer = app.state.tone.soundBuffers[SoundSlot::tone2])
        buffer->setPan(-pan);
}

void applyMaskVolume(App& app)
{
    if (auto& buffer = app.state.tone.soundBuffers[SoundSlot::mask])
        buffer->setVolume(app.form.value(scrMaskVol));
}

// Each bar, the box that shows its position (plus an offset: the volumes show
// 0 ... 5000 for -5000 ... 0) and what a move does to the sound.
struct LevelBar {
    std::string_view bar;
    std::string_view display;
    int offset;
    void (*apply)(App&);
};

constexpr std::array<LevelBar, 3> kLevelBars = {{
    {scrToneVol, txtToneVol, 5000, applyToneVolume}, // "Tone Vol"
    {scrBalance, txtBalance, 0, applyBalance},       // "Tone Mod"
    {scrMaskVol, txtMaskVol, 5000, applyMaskVolume}, // "Mask Vol"
}};

void show(App& app, const LevelBar& level)
{
    app.form.setText(level.display, std::to_string(app.form.value(level.bar) + level.offset));
}

} // namespace

int shownLevel(std::string_view bar, int position)
{
    for (const LevelBar& level : kLevelBars)
        if (level.bar == bar)
            return position + level.offset;
    return position;
}

void showLevels(App& app)
{
    for (const LevelBar& level : kLevelBars)
        show(app, level);
}

void bindLevelControls(App& app)
{
    Form& form = app.form;
    for (const LevelBar& level : kLevelBars) {
        form.onScroll(level.bar, [&app, &level] { level.apply(app); });
        form.onChange(level.bar, [&app, &level] {
            show(app, level);
            level.apply(app);
        });
    }
    // "ZeroVols": each move raises its own change, so the sound follows step by
    // step and the base frequency is rebuilt last.
    form.onClick(cmdZeroVols, [&app] {
        app.form.setValue(scrToneVol, -5000);
        app.form.setValue(scrBalance, 0);
        app.form.setValue(scrMaskVol, -5000);
        app.form.setValue(scrBaseFreq, 10);
    });
}

} // namespace aurelith
