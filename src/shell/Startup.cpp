// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Startup.h"

#include "freq/FrequencyMemory.h"
#include "photic/ColourSets.h"
#include "tone/BaseFreqControls.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"

#include <cmath>

namespace aurelith {
namespace {

using namespace ctl;

// A stored bar position applies when it is a 16-bit whole number within the bar's
// range; an empty field counts as 0, anything else is refused.
void restorePosition(App& app, std::string_view bar, const Value& saved)
{
    if (const auto position = saved.int16())
        app.form.setValue(bar, *position);
}

void showNumber(App& app, std::string_view box, double number) { app.form.setText(box, formatNumber(number)); }

void fillDisplays(App& app)
{
    WindowState& s = app.state;
    Form& form = app.form;
    s.beatFreq = leadingNumber(form.text(txtsetfreq2)) - leadingNumber(form.text(txtSetFreq1));
    if (s.beatFreq != 0)
        s.durationMs = std::floor(1000 / s.beatFreq * 0.5);
    showNumber(app, Text3, s.durationMs);
    showNumber(app, Text5, s.beatFreq);
    showNumber(app, Text11, s.lightSoundRatio);
    form.setText(Text10, s.colourSetIndex.text());
    form.setText(Text6, s.activeStimColour.text());
    form.setText(Text7, s.activeBackColour.text());
    showNumber(app, Text8, form.value(scrToneVol) + 5000);
    showNumber(app, Text9, form.value(scrBalance));
    showNumber(app, Text12, form.value(scrMaskVol) + 5000);
    showNumber(app, Text13, form.value(HScroll1) - 10);
}

void readSettings(App& app)
{
    WindowState& s = app.state;
    const DataFiles& files = app.files;
    // Left by a run that was killed mid-write; the record itself is whole.
    files.removeLeftovers(std::chrono::minutes(1));
    std::vector<Value> marker;
    const DataFiles::ReadStatus markerStatus = files.read("fctl", marker);
    if (!marker.empty())
        s.firstRunMarker = marker.front();
    // A marker we cannot read (mode 000, a FIFO) means settings we cannot read
    // either: the defaults must not replace them.
    const bool firstRun = markerStatus != DataFiles::ReadStatus::unreadable &&
                          !(s.firstRunMarker.isNumber() && s.firstRunMarker == Value(1));
    if (firstRun) {
        writeFirstRunDefaults(files);
        // Even where the folder refuses the files, this run has every colour set.
        for (int set = 1; set <= 16; ++set)
            s.colourSets[set - 1] = {kDefaultColourSets[set - 1].stim, kDefaultColourSets[set - 1].back};
        s.activeStimColour = kDefaultColourSets[0].stim;
        s.activeBackColour = kDefaultColourSets[0].back;
    }

    files.readInto("vols", {&s.savedToneVol, &s.savedBalance, &s.savedMaskVol, &s.savedBaseFreq});
    restorePosition(app, scrToneVol, s.savedToneVol);
    restorePosition(app, scrBalance, s.savedBalance);
    restorePosition(app, scrMaskVol, s.savedMaskVol);
    restorePosition(app, HScroll1, s.savedBaseFreq);

    files.readInto("bfctl", {&s.baseFreqMode});
    showBaseFreqMode(app);
    files.readInto("oncol", {&s.lampOnColour});
    files.readInto("offcol", {&s.lampOffColour});
    setLamp(app, Text14, false);
    setLamp(app, Text15, false);
    files.readInto("csets", {&s.colourSetIndex});
    showColourSetAtStart(app);
    files.readInto("pgset", {&s.programGroup});
    showProgramGroup(app);

    files.readInto("stimc", {&s.activeStimColour});
    files.readInto("backc", {&s.activeBackColour});
    for (int set = 2; set <= 8; ++set) {
        files.readInto(colourFile("stimc", set), {&s.colourSets[set - 1].stim});
        files.readInto(colourFile("backc", set), {&s.colourSets[set - 1].back});
    }
    static constexpr const char* kMemories[8] = {"prga", "prgb", "prgc", "prgd", "prge", "prgf", "prgg", "prgh"};
    for (int i = 0; i < 8; ++i)
        files.readInto(kMemories[i], {&s.storedPairs[i][0], &s.storedPairs[i][1]});
}

} // namespace

void writeFirstRunDefaults(const DataFiles& files)
{
    files.write("vols", {3500, 0, -4950, 135});
    files.write("csets", {1});
    files.write("mask", {1});
    files.write("spgset", {1});
    for (int set = 1; set <= 16; ++set) {
        files.write(colourFile("stimc", set), {kDefaultColourSets[set - 1].stim});
        files.write(colourFile("backc", set), {kDefaultColourSets[set - 1].back});
    }
    files.write("oncol", {255});
    files.write("offcol", {16711680});
    files.write("fctl", {1});
}

bool startUp(App& app)
{
    app.state = WindowState{};
    readSettings(app);
    fillDisplays(app);
    if (app.showWindow)
        app.showWindow();
    std::string error;
    if (!app.sound.createDevice(error)) {
        app.message(std::string(kNoSoundMessage) + (error.empty() ? "" : "\n" + error));
        app.endProgram();
        return false;
    }
    app.state.soundDevice = true;
    Form& form = app.form;
    form.setText(Text1, form.text(txtSetFreq1));
    showNumber(app, Text2, leadingNumber(form.text(txtsetfreq2)) - leadingNumber(form.text(txtSetFreq1)));
    return true;
}

void shutDown(App& app, bool saveScanGroup)
{
    WindowState& s = app.state;
    stopTones(app);
    for (auto& buffer : s.soundBuffers)
        buffer.reset();
    app.sound.releaseDevice();
    s.soundDevice = false;
    Form& form = app.form;
    s.savedToneVol = form.value(scrToneVol);
    s.savedBalance = form.value(scrBalance);
    s.savedMaskVol = form.value(scrMaskVol);
    s.savedBaseFreq = form.value(HScroll1);
    app.files.write("vols", {s.savedToneVol, s.savedBalance, s.savedMaskVol, s.savedBaseFreq});
    app.files.write("csets", {s.colourSetIndex});
    if (saveScanGroup)
        app.files.write("spgset", {s.scanBankGroup});
    app.endProgram();
}

void bindShell(App& app)
{
    app.form.onClick(cmdExit, [&app] { shutDown(app, true); });
    app.form.onClick(ex1, [&app] { shutDown(app, false); });
}

} // namespace aurelith
