// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone/LevelControls.h"

#include "ui/ControlNames.h"

namespace aurelith {
namespace {

using namespace ctl;

// Sound calls on a slot without a buffer simply do nothing.
void applyToneVolume(App& app)
{
    const int volume = app.form.value(scrToneVol);
    for (int slot : {0, 1})
        if (auto& buffer = app.state.soundBuffers[slot])
            buffer->setVolume(volume);
}

void applyBalance(App& app)
{
    const int pan = app.form.value(scrBalance);
    if (auto& buffer = app.state.soundBuffers[0])
        buffer->setPan(pan);
    if (auto& buffer = app.state.soundBuffers[1])
        buffer->setPan(-pan);
}

void applyMaskVolume(App& app)
{
    if (auto& buffer = app.state.soundBuffers[2])
        buffer->setVolume(app.form.value(scrMaskVol));
}

void show(App& app, std::string_view display, int number) { app.form.setText(display, std::to_string(number)); }

} // namespace

void bindLevelControls(App& app)
{
    Form& form = app.form;
    form.onScroll(scrToneVol, [&app] { applyToneVolume(app); });
    form.onChange(scrToneVol, [&app] {
        show(app, Text8, app.form.value(scrToneVol) + 5000);
        applyToneVolume(app);
    });
    form.onScroll(scrBalance, [&app] { applyBalance(app); });
    form.onChange(scrBalance, [&app] {
        show(app, Text9, app.form.value(scrBalance));
        applyBalance(app);
    });
    form.onScroll(scrMaskVol, [&app] { applyMaskVolume(app); });
    form.onChange(scrMaskVol, [&app] {
        show(app, Text12, app.form.value(scrMaskVol) + 5000);
        applyMaskVolume(app);
    });
    // Each move raises its own change, so the sound follows step by step and the
    // base frequency is rebuilt last.
    form.onClick(Command68, [&app] {
        app.form.setValue(scrToneVol, -5000);
        app.form.setValue(scrBalance, 0);
        app.form.setValue(scrMaskVol, -5000);
        app.form.setValue(HScroll1, 10);
    });
}

} // namespace aurelith
