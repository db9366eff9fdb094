// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Startup.h"

#include "app/DataFileNames.h"
#include "app/ModePanel.h"
#include "freq/FrequencyMemory.h"
#include "photic/ColourSets.h"
#include "photic/GentleLight.h"
#include "photic/Strobe.h"
#include "shell/ShellWrites.h"
#include "tone/BaseFreqControls.h"
#include "tone/ChannelText.h"
#include "tone/LevelControls.h"
#include "ui/ControlNames.h"

#include <array>
#include <cmath>
#include <utility>

namespace aurelith {
namespace {

using namespace ctl;
using namespace dataFile;

// A stored bar position applies when it is a 16-bit whole number within the bar's
// range; an empty field counts as 0, anything else is refused.
void restorePosition(App& app, std::string_view bar, const Value& saved)
{
    if (const auto position = saved.int16())
        app.form.setValue(bar, *position);
}

// The bars of the "vols" record, in its order.
constexpr std::array<std::string_view, 4> kLevelBars = {scrToneVol, scrBalance, scrMaskVol, scrBaseFreq};

void showNumber(App& app, std::string_view box, double number) { app.form.setText(box, formatNumber(number)); }

// Writes the defaults unless an earlier run left its marker. A marker we cannot
// read (mode 000, a FIFO) means settings we cannot read either: the defaults
// must not replace them.
void writeDefaultsOnFirstRun(App& app)
{
    std::vector<Value> marker;
    const DataFiles::ReadStatus markerStatus = app.files.read(kFirstRunMarker, marker);
    const Value firstRunMarker = marker.empty() ? Value() : marker.front();
    const bool firstRun = markerStatus != DataFiles::ReadStatus::unreadable &&
                          !(firstRunMarker.isNumber() && firstRunMarker == Value(1));
    if (firstRun) {
        writeFirstRunDefaults(app.files);
        // Even where the folder refuses the files, this run has every colour set.
        useDefaultColourSets(ShellWrites::all(app));
    }
}

// A level that cannot be restored (the record is gone, unreadable, or the field
// is no usable number) takes its first-run value rather than the bar's design
// position: "Mask Vol" is designed at full level, and nobody should be greeted
// by a loud start.
void restoreLevels(App& app)
{
    WindowState& s = ShellWrites::all(app);
    std::vector<Value> saved;
    if (app.files.read(kLevels, saved) != DataFiles::ReadStatus::read)
        saved.clear();
    const std::array<std::pair<std::string_view, Value*>, 4> levels = {{
        {kLevelBars[0], &s.tone.savedToneVol},
        {kLevelBars[1], &s.tone.savedBalance},
        {kLevelBars[2], &s.tone.savedMaskVol},
        {kLevelBars[3], &s.tone.savedBaseFreq},
    }};
    for (size_t i = 0; i < levels.size(); ++i) {
        const auto [bar, variable] = levels[i];
        const std::optional<int> position = i < saved.size() && saved[i].isNumber() ? saved[i].int16() : std::nullopt;
        if (position && app.form.setValue(bar, *position)) {
            *variable = saved[i];
            continue;
        }
        *variable = kFirstRunLevels[i];
        restorePosition(app, bar, *variable);
    }
}

} // namespace

int firstRunPosition(std::string_view bar)
{
    Form form;
    for (std::size_t i = 0; i < kLevelBars.size(); ++i)
        if (kLevelBars[i] == bar)
            form.setValue(bar, kFirstRunLevels[i]);
    return form.value(bar);
}

namespace {

void restoreModes(App& app)
{
    WindowState& s = ShellWrites::all(app);
    const DataFiles& files = app.files;
    files.readInto(kBaseFreqMode, {&s.tone.baseFreqMode});
    showBaseFreqMode(app);
    files.readInto(kLampOnColour, {&s.strobe.lampOnColour});
    files.readInto(kLampOffColour, {&s.strobe.lampOffColour});
    setLamp(app, modePanel::kSoundLamp, false);
    setLamp(app, modePanel::kStrobeLamp, false);
    files.readInto(kColourSetIndex, {&s.strobe.colourSetIndex});
    showColourSetAtStart(app);
    files.readInto(kMemoryGroup, {&s.freq.programGroup});
    showProgramGroup(app);
}

void restoreColours(App& app)
{
    WindowState& s = ShellWrites::all(app);
    const DataFiles& files = app.files;
    files.readInto(kStimColour, {&s.strobe.activeStimColour});
    files.readInto(kBackColour, {&s.strobe.activeBackColour});
    for (int set = 2; set <= 8; ++set) {
        files.readInto(colourSet(kStimColour, set), {&s.strobe.colourSets[set - 1].stim});
        files.readInto(colourSet(kBackColour, set), {&s.strobe.colourSets[set - 1].back});
    }
}

void fillDisplays(App& app)
{
    WindowState& s = ShellWrites::all(app);
    Form& form = app.form;
    s.shared.beatFreq = beatOf(form);
    if (s.shared.beatFreq != 0)
        s.shared.durationMs = std::floor(flashPhaseMs(s.shared.beatFreq));
    showNumber(app, txtDuration, s.shared.durationMs);
    showNumber(app, txtFlashRate, s.shared.beatFreq);
    showNumber(app, txtLightSound, s.strobe.lightSoundRatio);
    form.setText(txtColourSet, s.strobe.colourSetIndex.text());
    form.setText(txtStimColour, s.strobe.activeStimColour.text());
    form.setText(txtBackColour, s.strobe.activeBackColour.text());
    showLevels(app);
    showNumber(app, txtBaseFreqBar, form.value(scrBaseFreq) + kBaseFreqDisplayOffset);
}

} // namespace

void restoreSettings(App& app)
{
    // Left by a run that was killed mid-write; the record itself is whole.
    app.files.removeLeftovers(std::chrono::minutes(1));
    // Before the first-run defaults may replace them.
    app.files.tellSetAside();
    writeDefaultsOnFirstRun(app);
    restoreLevels(app);
    restoreModes(app);
    restoreColours(app);
    restoreGentleLight(app);
    fillDisplays(app);
}

} // namespace aurelith
