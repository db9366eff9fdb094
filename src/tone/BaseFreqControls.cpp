// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone/BaseFreqControls.h"

#include "app/DataFileNames.h"
#include "tone/ChannelText.h"
#include "tone/Playback.h"
#include "tone/ToneWrites.h"
#include "ui/ControlNames.h"

namespace aurelith {
namespace {

using namespace ctl;

// The bar sets channel 1; channel 2 keeps the beat the boxes showed.
void baseFrequencyChanged(App& app)
{
    const int p = app.form.value(scrBaseFreq);
    const double beat = beatOf(app.form);
    app.form.setText(txtBaseFreqBar, std::to_string(p + kBaseFreqDisplayOffset));
    app.form.setText(txtBaseFreq, std::to_string(p + kBaseFreqDisplayOffset));
    app.form.setText(txtSetFreq1, std::to_string(p));
    app.form.setText(txtsetfreq2, formatNumber(p + beat));
    rebuildSineTones(app);
}

void toggleBaseFrequencyMode(App& app)
{
    Value& mode = ToneWrites::tone(app).baseFreqMode;
    if (mode == Value(1))
        mode = 2;
    else if (mode == Value(2))
        mode = 1;
    showBaseFreqMode(app);
    app.files.write(dataFile::kBaseFreqMode, {mode});
}

} // namespace

void showBaseFreqMode(App& app)
{
    const Value& mode = app.state.tone.baseFreqMode;
    if (mode == Value(2))
        app.form.setText(txtBaseFreq, "OFF");
    else if (mode == Value(1))
        app.form.setText(txtBaseFreq, "ON");
}

void bindBaseFreqControls(App& app)
{
    Form& form = app.form;
    form.onChange(scrBaseFreq, [&app] { baseFrequencyChanged(app); });
    form.onClick(cmdBaseFreqMode, [&app] { toggleBaseFrequencyMode(app); }); // "BaseFreq"
}

} // namespace aurelith
