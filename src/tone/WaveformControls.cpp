// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone/WaveformControls.h"

#include "app/ModePanel.h"
#include "tone/Playback.h"
#include "tone/ToneWrites.h"
#include "ui/ControlNames.h"

#include <array>

namespace aurelith {
namespace {

using namespace ctl;

struct Shape {
    const char* caption; // of the Wave button
    const char* label;   // of its Mode panel row
};

// Waveform n is row n - 1. The button's caption is spelt as designed.
constexpr std::array<Shape, 4> kShapes = {Shape{"Sine", "SIN"}, Shape{"Square", "SQR"}, Shape{"Saw", "SAW"},
                                          Shape{"TriAgle", "TRG"}};

void stepWaveform(App& app)
{
    labelModeRows(app, [](int row) { return kShapes[row].label; });
    Waveform& shape = ToneWrites::tone(app).waveform;
    int waveform = static_cast<int>(shape);
    if (waveform >= 1 && waveform <= 4)
        shape = static_cast<Waveform>(waveform = waveform % 4 + 1);
    const int row = waveform >= 2 && waveform <= 4 ? waveform - 1 : 0;
    app.form.setCaption(cmdWaveform, kShapes[row].caption);
    lightModeRow(app, row);
    if (rebuildTones(app, BeforeWriting::leavePlaying))
        tonesRetuned(app);
}

} // namespace

void bindWaveformControls(App& app)
{
    app.form.onClick(cmdWaveform, [&app] { stepWaveform(app); }); // "Wave"
} // "Wave"

} // namespace aurelith
