// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone/BaseFreqControls.h"

#include "photic/Strobe.h"
#include "tone/Playback.h"
#include "tone/ToneWriter.h"
#include "ui/ControlNames.h"

#include <array>

namespace aurelith {
namespace {

using namespace ctl;

void baseFrequencyChanged(App& app)
{
    const int p = app.form.value(HScroll1);
    // Read as the channel boxes read their text: an emptied box counts as 0.
    const double beat = leadingNumber(app.form.text(txtsetfreq2)) - leadingNumber(app.form.text(txtSetFreq1));
    app.form.setText(Text13, std::to_string(p - 10));
    app.form.setText(Text1, std::to_string(p - 10));
    app.form.setText(txtSetFreq1, std::to_string(p));
    app.form.setText(txtsetfreq2, formatNumber(p + beat));
    rebuildSineTones(app);
}

void toggleBaseFrequencyMode(App& app)
{
    Value& mode = app.state.baseFreqMode;
    if (mode == Value(1))
        mode = 2;
    else if (mode == Value(2))
        mode = 1;
    showBaseFreqMode(app);
    app.files.write("bfctl", {mode});
}

void stepWaveform(App& app)
{
    struct Shape {
        const char* caption;
        std::string_view lamp;
    };
    static constexpr std::array<Shape, 4> shapes = {
        Shape{"Sine", Text19}, Shape{"Square", Text20}, Shape{"Saw", Text21}, Shape{"TriAgle", Text22}};
    static constexpr std::array<const char*, 4> labels = {"SIN", "SQR", "SAW", "TRG"};
    static constexpr std::array<std::string_view, 4> labelControls = {Label6, Label7, Label8, Label9};
    for (int i = 0; i < 4; ++i)
        app.form.setCaption(labelControls[i], labels[i]);
    int& waveform = app.state.waveform;
    if (waveform >= 1 && waveform <= 4)
        waveform = waveform % 4 + 1;
    const Shape& shape = shapes[waveform >= 2 && waveform <= 4 ? waveform - 1 : 0];
    app.form.setCaption(Command66, shape.caption);
    for (const Shape& s : shapes)
        setLamp(app, s.lamp, s.lamp == shape.lamp);
    if (rebuildTones(app, false) && strobeRunning(app))
        ColorOn(app);
}

void reverseChannels(App& app)
{
    const std::string left = app.form.text(txtSetFreq1);
    const std::string right = app.form.text(txtsetfreq2);
    app.form.setText(txtSetFreq1, right);
    app.form.setText(txtsetfreq2, left);
    rebuildSineTones(app);
}

void resetToneFiles(App& app)
{
    stopTones(app);
    ToneWriter writer{app.state, app.folder};
    writer.writeHeaderOnly(1);
    writer.writeHeaderOnly(2);
}

} // namespace

void showBaseFreqMode(App& app)
{
    const Value& mode = app.state.baseFreqMode;
    if (mode == Value(2))
        app.form.setText(Text1, "OFF");
    else if (mode == Value(1))
        app.form.setText(Text1, "ON");
}

void bindBaseFreqControls(App& app)
{
    Form& form = app.form;
    form.onChange(txtSetFreq1, [&app] { app.state.leftFreq = leadingNumber(app.form.text(txtSetFreq1)); });
    form.onChange(txtsetfreq2, [&app] { app.state.rightFreq = leadingNumber(app.form.text(txtsetfreq2)); });
    form.onChange(HScroll1, [&app] { baseFrequencyChanged(app); });
    form.onClick(Command60, [&app] { toggleBaseFrequencyMode(app); });
    form.onClick(Command66, [&app] { stepWaveform(app); });
    form.onClick(Command26, [&app] { reverseChannels(app); });
    form.onClick(opts9, [&app] { reverseChannels(app); });
    form.onClick(Command28, [&app] { resetToneFiles(app); });
    form.onClick(opts7, [&app] { resetToneFiles(app); });
}

} // namespace aurelith
