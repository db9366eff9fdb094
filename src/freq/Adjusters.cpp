// SPDX-License-Identifier: GPL-3.0-or-later
#include "freq/Adjusters.h"

#include "app/ModePanel.h"
#include "photic/ColourSets.h"
#include "photic/Strobe.h"
#include "tone/ChannelText.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"

#include <array>
#include <cmath>

namespace aurelith {
namespace {

using namespace ctl;

double channel1(const App& app) { return channelValue(app.form.text(txtSetFreq1)); }
double channel2(const App& app) { return channelValue(app.form.text(txtsetfreq2)); }
void setChannel2(App& app, double hz) { app.form.setText(txtsetfreq2, formatNumber(hz)); }

// With the base frequency on, channel 1 moves to the base bar and channel 2
// keeps its own value plus the step.
void step(App& app, int delta)
{
    Form& form = app.form;
    if (app.state.tone.baseFreqMode == Value(2)) {
        setChannel2(app, channel2(app) + delta);
    } else {
        const int base = form.value(scrBaseFreq);
        form.setText(txtSetFreq1, std::to_string(base));
        setChannel2(app, channel2(app) + base - channel1(app) + delta);
    }
    form.setText(txtBaseFreq, form.text(txtSetFreq1));
    showBeat(app);
    retuneSine(app);
}

void doubleBeat(App& app)
{
    setChannel2(app, channel2(app) + beatOf(app.form));
    app.form.setText(txtBeat, "");
    showBeat(app);
    retuneSine(app);
}

// Channel 2 moves by half the beat rounded down; txtBeat shows the difference the
// channels really have afterwards (for an odd beat that is not the half).
void halveBeat(App& app)
{
    const double half = std::floor(beatOf(app.form) * 0.5);
    setChannel2(app, channel2(app) - half);
    app.form.setText(txtBeat, "");
    showBeat(app);
    retuneSine(app);
}

void clearChannels(App& app)
{
    app.form.setText(txtSetFreq1, "");
    app.form.setText(txtsetfreq2, "");
}

// Back to 160/165 Hz sine tones, written but not played, with the strobe halted.
void resetToDefault(App& app)
{
    Form& form = app.form;
    labelModeRows(app, [](int row) { return "CL" + std::to_string(row + 1); });
    lightModeRow(app, -1);
    haltFlashing(app);
    forgetColourSet(app);
    form.setText(txtSetFreq1, "160");
    form.setText(txtsetfreq2, "165");
    showBeat(app);
    stopTones(app);
    writeSineTones(app, 160, 165);
}

} // namespace

void bindAdjusters(App& app)
{
    Form& form = app.form;
    struct Step {
        std::string_view button;
        int delta;
    };
    // "Up 1 HZ", "Up 5 Hz", "Dw 1 HZ", "Dw 5 HZ".
    for (const Step s : {Step{cmdUp1Hz, 1}, Step{cmdUp5Hz, 5}, Step{cmdDown1Hz, -1}, Step{cmdDown5Hz, -5}})
        form.onClick(s.button, [&app, d = s.delta] { step(app, d); });

    // Each button and its twin in the Speeds menu run the same steps.
    struct Twin {
        std::string_view button;
        std::string_view menuItem;
        void (*run)(App&);
    };
    const std::array<Twin, 5> twins = {{
        {cmdDoubleBeat, mnuDoubleBeat, doubleBeat},                                         // "2X Freq", "&2X Freqs"
        {cmdHalveBeat, mnuHalveBeat, halveBeat},                                            // "1/2 freq", "&1/2 Freqs"
        {cmdLightSoundUp, mnuLightSoundUp, [](App& a) { stepLightSoundRatio(a, +1); }},     // "Lt/Snd H"
        {cmdLightSoundDown, mnuLightSoundDown, [](App& a) { stepLightSoundRatio(a, -1); }}, // "Lt/Snd L"
        {cmdClear, mnuClear, clearChannels},                                                // "Clear"
    }};
    for (const Twin& t : twins) {
        form.onClick(t.button, [&app, run = t.run] { run(app); });
        form.onClick(t.menuItem, [&app, run = t.run] { run(app); });
    }
    form.onClick(cmdReset, [&app] { resetToDefault(app); }); // "Reset"
}

} // namespace aurelith
