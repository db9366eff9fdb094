// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/Scanner.h"

#include "app/ModePanel.h"
#include "photic/Strobe.h"
#include "scan/ScanWrites.h"
#include "tone/ChannelText.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"

#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace aurelith {
namespace {

using namespace ctl;

// The scanner's arithmetic on the boxes needs plain numbers; with anything else
// the statement is skipped and its target keeps its value.
std::optional<double> boxNumber(const Form& form, std::string_view box) { return wholeNumber(form.text(box)); }

void showBoxBeat(App& app)
{
    if (const auto beat = plainBeatOf(app.form))
        app.form.setText(txtBeat, formatNumber(*beat));
}

void showTimerPeriod(App& app)
{
    app.form.setCaption(fraStimColour, "Timer MilliSecs");
    app.form.setText(txtStimColour, std::to_string(app.form.timerInterval(tmrScan)));
}

// The next second-channel frequency in the direction chosen now.
void prepareNextRight(App& app)
{
    ScanState& scan = ScanWrites::scan(app);
    const auto right = boxNumber(app.form, txtsetfreq2);
    if (!right)
        return;
    if (scan.scanDirection == ScanDirection::up)
        scan.pendingRightText = *right + 1;
    else if (scan.scanDirection == ScanDirection::down)
        scan.pendingRightText = *right - 1;
}

bool atLimit(const App& app)
{
    const std::string& right = app.form.text(txtsetfreq2);
    const WindowState& s = app.state;
    return (s.scan.lowerLimitText && right == *s.scan.lowerLimitText) ||
           (s.scan.upperLimitText && right == *s.scan.upperLimitText);
}

// The scan lamps stay lit so the user sees where it ended.
void stopAtLimit(App& app)
{
    app.form.setTimerEnabled(tmrScan, false);
    setLamp(app, modePanel::kSoundLamp, false);
    haltFlashing(app);
    stopTones(app);
}

// A scan time the timer can run: above 200 ms and a whole number of ms that fits it.
std::optional<int> scanPeriod(double durationMs)
{
    if (!(durationMs > 200) || !(durationMs < static_cast<double>(INT_MAX)))
        return std::nullopt;
    return static_cast<int>(std::nearbyint(durationMs));
}

void chooseScanTime(App& app, double ms) { ScanWrites::shared(app).durationMs = ms; }

void fourSecondScan(App& app)
{
    app.form.setText(txtSetFreq1, "160");
    app.form.setText(txtsetfreq2, "165");
    ScanWrites::shared(app).durationMs = 4000;
    ScanWrites::scan(app).scanDirection = ScanDirection::up;
}

// A typed time that is not a number counts as no scan time at all.
void customScanTime(App& app)
{
    Form& form = app.form;
    form.setCaption(fraStimColour, "Enter Scan M.S.");
    const std::string typed = [&] {
        const Form::ModalScope modal(form);
        return app.dialogs.input("Enter Scan in Millideconds (60000=1Min) : ", "Scanner Time Per Freq", "")
            .value_or("");
    }();
    ScanWrites::shared(app).durationMs = wholeNumber(typed).value_or(std::numeric_limits<double>::quiet_NaN());
    form.setText(txtStimColour, typed);
}

void chooseDirection(App& app, ScanDirection direction)
{
    Form& form = app.form;
    ScanWrites::scan(app).scanDirection = direction;
    const bool up = direction == ScanDirection::up;
    // The first two shared rows show the direction.
    const auto& labels = modePanel::kRowLabels;
    form.setCaption(up ? labels[0] : labels[1], up ? "SUP" : "SDN");
    setLamp(app, modePanel::kRowLamps[0], up);
    setLamp(app, modePanel::kRowLamps[1], !up);
    form.setCaption(up ? labels[1] : labels[0], up ? "CL2" : "CL1");
}

void takeLimits(App& app)
{
    Form& form = app.form;
    ScanWrites::scan(app).upperLimitText = form.text(txtStimColour);
    ScanWrites::scan(app).lowerLimitText = form.text(txtBackColour);
    form.setCaption(fraStimColour, "Stim Color");
    form.setCaption(fraBackColour, "BkGrd Color");
}

} // namespace

void scanOn(App& app)
{
    Form& form = app.form;
    ScanState& scan = ScanWrites::scan(app);
    SharedState& shared = ScanWrites::shared(app);
    form.setCaption(modePanel::kRowLabels[2], "SNO");
    setLamp(app, modePanel::kRowLamps[2], true);
    form.setCaption(fraBackColour, "Started Time");
    form.setText(txtBackColour, app.timeOfDay.now());
    showTimerPeriod(app);
    if (std::isfinite(shared.durationMs))
        form.setText(txtStimColour, formatNumber(shared.durationMs));
    form.setText(txtBaseFreq, form.text(txtSetFreq1));
    showBoxBeat(app);

    const std::optional<int> period = scanPeriod(shared.durationMs);
    if (!period) {
        app.message(kScanTimeMessage, kScannerTitle);
        form.setTimerEnabled(tmrScan, false);
        return;
    }
    form.setTimerInterval(tmrScan, *period);
    if (!retuneSine(app))
        return;
    const std::optional<double> beat = plainBeatOf(form);
    if (!beat || *beat < 1)
        return;
    scan.pendingLeftText = Value(form.text(txtSetFreq1));
    prepareNextRight(app);
    form.setTimerEnabled(tmrScan, true);
}

void scanStep(App& app)
{
    Form& form = app.form;
    ScanState& scan = ScanWrites::scan(app);
    SharedState& shared = ScanWrites::shared(app);
    form.setText(txtSetFreq1, scan.pendingLeftText.text());
    form.setText(txtsetfreq2, scan.pendingRightText.text());
    if (const auto beat = plainBeatOf(form))
        shared.beatFreq = *beat;

    // A step makes one pass per whole hertz of beat, but every pass after the
    // first would retune to the same pair, stop at the same limit and show the
    // same texts again: only the first does that work, the rest only count.
    const double passes = shared.beatFreq;
    shared.scanLoopCounter = 1;
    if (!(shared.scanLoopCounter <= passes))
        return;
    form.setText(txtBaseFreq, std::to_string(scan.loopNumber));
    scan.loopNumber = 1;
    if (!retuneSine(app))
        return; // the timer runs on: the next tick tries again
    prepareNextRight(app);
    if (atLimit(app)) {
        stopAtLimit(app);
        return;
    }
    showTimerPeriod(app);
    showBoxBeat(app);

    // The strobe's start counts scanLoopCounter past the beat, which ends the
    // passes here. Past the 21st pass txtBaseFreq and loopNumber stay at 20, so the
    // counter jumps to where the last pass leaves it.
    for (shared.scanLoopCounter += 1; shared.scanLoopCounter <= passes; shared.scanLoopCounter += 1) {
        form.setText(txtBaseFreq, std::to_string(scan.loopNumber));
        if (shared.scanLoopCounter <= 20)
            scan.loopNumber = static_cast<int>(shared.scanLoopCounter);
        else if (shared.scanLoopCounter > 21)
            shared.scanLoopCounter = std::floor(passes);
    }
}

void scanOff(App& app)
{
    Form& form = app.form;
    const StrobeState& strobe = app.state.strobe;
    labelModeRows(app, [](int row) { return "CL" + std::to_string(row + 1); });
    lightModeRow(app, -1);
    form.setCaption(fraStimColour, "Stim Color");
    form.setCaption(fraBackColour, "BkGrd Color");
    form.setText(txtBackColour, "");
    form.setText(txtStimColour, "");
    form.setTimerEnabled(tmrScan, false);
    setLamp(app, modePanel::kSoundLamp, false);
    haltFlashing(app);
    stopTones(app);
    form.setText(txtColourSet, strobe.colourSetIndex.text());
    form.setText(txtStimColour, strobe.activeStimColour.text());
    form.setText(txtBackColour, strobe.activeBackColour.text());
}

void bindScanner(App& app)
{
    Form& form = app.form;
    addSoundSource(app, [&app] {
        if (app.form.timerEnabled(tmrScan))
            scanOff(app);
    });
    struct ScanTime {
        std::string_view item;
        double ms;
    };
    static constexpr std::array<ScanTime, 8> kScanTimes = {{
        {mnuScan60Min, 3600000}, // "&60 Mins"
        {mnuScan50Min, 3000000}, // "&50 Mins"
        {mnuScan40Min, 2400000}, // "&40 Mins"
        {mnuScan30Min, 1800000}, // "&30 Mins"
        {mnuScan20Min, 1200000}, // "&20 Mins"
        {mnuScan10Min, 600000},  // "&10 Mins"
        {mnuScan5Min, 300000},   // "&05 Mins"
        {mnuScan1Min, 60000},    // "&01 Min"
    }};
    for (const ScanTime& t : kScanTimes)
        form.onClick(t.item, [&app, ms = t.ms] { chooseScanTime(app, ms); });
    form.onClick(mnuScan4Sec, [&app] { fourSecondScan(app); });       // "&04 Sec"
    form.onClick(mnuCustomScanTime, [&app] { customScanTime(app); }); // "&Custom"

    form.onClick(cmdScanUp, [&app] { chooseDirection(app, ScanDirection::up); });     // "ScanUp"
    form.onClick(cmdScanDown, [&app] { chooseDirection(app, ScanDirection::down); }); // "ScanDn"
    form.onClick(cmdUpperLimit, [&app] {                                              // "Up Limit"
        app.form.setCaption(fraStimColour, "Upper Limit");
        app.form.setText(txtStimColour, "");
    });
    form.onClick(cmdLowerLimit, [&app] { // "Dw Limit"
        app.form.setCaption(fraBackColour, "Lower Limit");
        app.form.setText(txtBackColour, "");
    });
    form.onClick(cmdEnterLimits, [&app] { takeLimits(app); }); // "Enter"
    form.onClick(cmdScanOn, [&app] { scanOn(app); });          // "ScanOn"
    form.onClick(cmdScanOff, [&app] { scanOff(app); });        // "ScanOff"
    form.onTimer(tmrScan, [&app] { scanStep(app); });
}

} // namespace aurelith
