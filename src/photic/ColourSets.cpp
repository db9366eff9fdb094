// SPDX-License-Identifier: GPL-3.0-or-later
#include "photic/ColourSets.h"

#include "app/DataFileNames.h"
#include "app/ModePanel.h"
#include "photic/FlashHazards.h"
#include "photic/PhoticWrites.h"
#include "ui/ControlNames.h"

#include <array>
#include <cmath>

namespace aurelith {

using namespace ctl;

const DefaultColourSet kDefaultColourSets[16] = {
    {16777215, 0},        {255, 16711680},  {65280, 32768},    {16776960, 65408},
    {16777215, 16711680}, {255, 65535},     {32896, 16711680}, {16776960, 16711680},
    {4227327, 8421376},   {4194432, 32896}, {8454143, 32768},  {16776960, 65408},
    {65535, 16711935},    {255, 65535},     {32896, 16711680}, {65408, 16711680},
};

namespace {

// The eight Stim/BGrd buttons with their menu twins, in lamp-position order.
struct ColourSlot {
    std::string_view button;
    std::string_view menuItem;
    const char* stem;
    const char* captionStem;
    int position; // 1 ... 4 within the bank
};
constexpr std::array<ColourSlot, 8> kSlots = {{
    {cmdStim1, mnuStim1, dataFile::kStimColour, "Stim ", 1},
    {cmdBack1, mnuBack1, dataFile::kBackColour, "BGrd ", 1},
    {cmdStim2, mnuStim2, dataFile::kStimColour, "Stim ", 2},
    {cmdBack2, mnuBack2, dataFile::kBackColour, "BGrd ", 2},
    {cmdStim3, mnuStim3, dataFile::kStimColour, "Stim ", 3},
    {cmdBack3, mnuBack3, dataFile::kBackColour, "BGrd ", 3},
    {cmdStim4, mnuStim4, dataFile::kStimColour, "Stim ", 4},
    {cmdBack4, mnuBack4, dataFile::kBackColour, "BGrd ", 4},
}};

// Labels "CL1" ... "C16" of the group starting at set first; every lamp unlit.
void showGroupLabels(App& app, int first)
{
    labelModeRows(app, [first](int row) {
        const int set = first + row;
        return (set < 10 ? "CL" : "C") + std::to_string(set);
    });
    lightModeRow(app, -1);
}

void lightPosition(App& app, int position) { lightModeRow(app, position - 1); }

// The stored index when it names one of the sixteen sets.
std::optional<int> validSet(const Value& index)
{
    const auto n = index.number();
    if (!index.isNumber() || !n || *n < 1 || *n > 16 || *n != std::floor(*n))
        return std::nullopt;
    return static_cast<int>(*n);
}

// The colour dialog, modal: no strobe tick runs while it is open. It opens on the
// colour last picked with it; a cancelled dialog leaves that colour alone.
std::optional<Colour> chooseColour(App& app)
{
    const auto picked = [&] {
        const Form::ModalScope modal(app.form);
        return app.dialogs.pickColour(app.state.strobe.dialogColour);
    }();
    if (picked)
        PhoticWrites::strobe(app).dialogColour = *picked & 0xFFFFFF;
    return picked;
}

void showActivePair(App& app)
{
    app.form.setText(txtStimColour, app.state.strobe.activeStimColour.text());
    app.form.setText(txtBackColour, app.state.strobe.activeBackColour.text());
}

void refreshColours(App& app)
{
    app.files.readInto(dataFile::kStimColour, {&PhoticWrites::strobe(app).activeStimColour});
    app.files.readInto(dataFile::kBackColour, {&PhoticWrites::strobe(app).activeBackColour});
    noticeFlashHazards(app);
}

// "&On Color" / "&Off Color". The picked colour also becomes the strobe's stimulation
// colour until the next selection or refresh; no lamp is repainted now.
enum class Lamp { on, off };

void chooseLampColour(App& app, Lamp which)
{
    const auto picked = chooseColour(app);
    if (!picked)
        return;
    StrobeState& strobe = PhoticWrites::strobe(app);
    strobe.activeStimColour = static_cast<int>(*picked & 0xFFFFFF);
    const bool onColour = which == Lamp::on;
    Value& lamp = onColour ? strobe.lampOnColour : strobe.lampOffColour;
    lamp = strobe.activeStimColour;
    app.files.write(onColour ? dataFile::kLampOnColour : dataFile::kLampOffColour, {lamp});
    noticeFlashHazards(app);
}

} // namespace

void selectNextColourSet(App& app)
{
    StrobeState& strobe = PhoticWrites::strobe(app);
    Form& form = app.form;
    form.setCaption(fraStimColour, "Stim Color");
    form.setCaption(fraBackColour, "BkGrd Color");
    // An index that names no set (0 after "Reset", or an edited file) counts as the last
    // one, so this press shows set 1 and the next ones step on from there.
    const int current = validSet(strobe.colourSetIndex).value_or(16);
    const int next = current == 16 ? 1 : current + 1;
    showGroupLabels(app, (next - 1) / 4 * 4 + 1);
    lightPosition(app, (next - 1) % 4 + 1);

    if (next == 1) {
        refreshColours(app);
    } else {
        ColourPair& entry = strobe.colourSets[next - 1];
        app.files.readInto(dataFile::colourSet(dataFile::kStimColour, next), {&entry.stim});
        app.files.readInto(dataFile::colourSet(dataFile::kBackColour, next), {&entry.back});
        strobe.activeStimColour = entry.stim;
        strobe.activeBackColour = entry.back;
    }
    strobe.colourSetIndex = next;
    app.files.write(dataFile::kColourSetIndex, {strobe.colourSetIndex});
    form.setText(txtColourSet, strobe.colourSetIndex.text());
    showActivePair(app);
    noticeFlashHazards(app);
}

void forgetColourSet(App& app) { PhoticWrites::strobe(app).colourSetIndex = 0; }

void cycleColourBank(App& app)
{
    int& bank = PhoticWrites::strobe(app).colourBank;
    bank = bank >= 4 || bank < 1 ? 1 : bank + 1;
    for (const ColourSlot& slot : kSlots)
        app.form.setCaption(slot.button, slot.captionStem + std::to_string(4 * (bank - 1) + slot.position));
}

void pickSetColour(App& app, int slot)
{
    const auto picked = chooseColour(app);
    if (!picked)
        return; // nothing stored: the file keeps its colour
    const ColourSlot& s = kSlots.at(static_cast<size_t>(slot));
    const int set = 4 * (app.state.strobe.colourBank - 1) + s.position;
    // A preview on the flash surface; the next strobe tick paints over it.
    app.form.setBackColour(txtFlashSurface, *picked);
    app.files.write(dataFile::colourSet(s.stem, set), {static_cast<int>(*picked & 0xFFFFFF)});
}

void showColourSetAtStart(App& app)
{
    const double index = app.state.strobe.colourSetIndex.number().value_or(0);
    showGroupLabels(app, index < 5 ? 1 : 5);
    const auto set = validSet(app.state.strobe.colourSetIndex);
    lightPosition(app, set && *set <= 8 ? (*set - 1) % 4 + 1 : 1);
}

void bindColourSets(App& app)
{
    Form& form = app.form;
    // "Color Set" and "&Color Sets"; "ColPrg" and "&Color Program".
    for (const auto name : {cmdNextColourSet, mnuNextColourSet})
        form.onClick(name, [&app] { selectNextColourSet(app); });
    for (const auto name : {cmdColourProgram, mnuColourProgram})
        form.onClick(name, [&app] { cycleColourBank(app); });
    // "Stim 1" ... "BGrd 4" and their menu items "&Stim 1,5,9,13" ... "&BkGrd 4,8,12,16".
    for (size_t i = 0; i < kSlots.size(); ++i)
        for (const auto name : {kSlots[i].button, kSlots[i].menuItem})
            form.onClick(name, [&app, i] { pickSetColour(app, static_cast<int>(i)); });
    form.onClick(mnuColourRefresh, [&app] { refreshColours(app); });              // "&Color Refresh"
    form.onClick(mnuLampOnColour, [&app] { chooseLampColour(app, Lamp::on); });   // "&On Color"
    form.onClick(mnuLampOffColour, [&app] { chooseLampColour(app, Lamp::off); }); // "&Off Color"
}

} // namespace aurelith
