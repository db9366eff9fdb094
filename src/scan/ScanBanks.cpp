// SPDX-License-Identifier: GPL-3.0-or-later
#include "scan/ScanBanks.h"

#include "app/DataFileNames.h"
#include "app/ModePanel.h"
#include "scan/ScanWrites.h"
#include "ui/ControlNames.h"

#include <array>
#include <optional>

namespace aurelith {
namespace {

using namespace ctl;

struct BankButton {
    std::string_view button;
    char letter;
};

// "Scan 1" .. "Scan 4".
constexpr std::array<BankButton, 4> kBankButtons = {{
    {cmdScanBank1, 'a'},
    {cmdScanBank2, 'b'},
    {cmdScanBank3, 'c'},
    {cmdScanBank4, 'd'},
}};

using Captions = std::array<const char*, 4>;

// What each mode shows: the group labels, and the button captions per group
// in the order the groups come round (2, 3, 1).
struct ModeDisplay {
    ScanBankMode mode;
    std::array<const char*, 3> labels;
    std::array<Captions, 3> captions;
};

constexpr ModeDisplay kStoreDisplay = {
    ScanBankMode::store,
    {"PS1", "PS2", "PS3"},
    {{{"PrgScn 1", "PrgScn 2", "PrgScn 3", "PrgScn 4"},
      {"PrgScn 5", "PrgScn 6", "PrgScn 7", "PrgScn 8"},
      {"PrgScn 9", "PrgSn 10", "PrgSn 11", "PrgSn 12"}}},
};

constexpr ModeDisplay kRecallDisplay = {
    ScanBankMode::recall,
    {"RS1", "RS2", "RS3"},
    {{{"Scan 1", "Scan 2", "Scan 3", "Scan 4"},
      {"Scan 5", "Scan 6", "Scan 7", "Scan 8"},
      {"Scan 9", "Scan 10", "Pran 11", "Pran 12"}}},
};

// Group 2 holds banks 1-4, 3 banks 5-8, 1 banks 9-12; any other value shows as 2.
int displayRow(const Value& group)
{
    switch (validGroup(group).value_or(2)) {
    case 3: return 1;
    case 1: return 2;
    default: return 0;
    }
}

std::string bankFile(const App& app, const BankButton& b)
{
    return dataFile::scanBank(b.letter, validGroup(app.state.scan.scanBankGroup).value_or(1));
}

void switchMode(App& app, const ModeDisplay& display)
{
    Form& form = app.form;
    ScanState& scan = ScanWrites::scan(app);
    for (size_t i = 0; i < modePanel::kGroupLabels.size(); ++i)
        form.setCaption(modePanel::kGroupLabels[i], display.labels[i]);
    if (display.mode == ScanBankMode::store) {
        form.setCaption(fraChannels, "Enter Scan Freq");
    } else {
        form.setCaption(fraChannels, "Left Freq Right");
        form.setCaption(fraBaseBeat, "Base Freq Drvn");
        form.setCaption(fraStrobeTiming, "Dur Color Freq");
        form.setCaption(fraColourRatio, "Col  Sets  LtSd");
    }
    scan.scanBankMode = display.mode;
    if (const auto group = validGroup(scan.scanBankGroup))
        scan.scanBankGroup = *group % 3 + 1;

    const int row = displayRow(scan.scanBankGroup);
    for (size_t i = 0; i < modePanel::kGroupLamps.size(); ++i)
        setLamp(app, modePanel::kGroupLamps[i], static_cast<int>(i) == row);
    for (size_t k = 0; k < kBankButtons.size(); ++k)
        form.setCaption(kBankButtons[k].button, display.captions[row][k]);
    app.files.write(dataFile::kScanBankGroup, {scan.scanBankGroup});
}

// Recalling does not retune: the user plays the pair with Start or ScanOn.
void pressBank(App& app, const BankButton& b)
{
    ScanState& scan = ScanWrites::scan(app);
    Form& form = app.form;
    if (scan.scanBankMode == ScanBankMode::store) {
        scan.scanPairLeft = Value(form.text(txtSetFreq1));
        scan.scanPairRight = Value(form.text(txtsetfreq2));
        app.files.write(bankFile(app, b), {scan.scanPairLeft, scan.scanPairRight});
    } else if (scan.scanBankMode == ScanBankMode::recall) {
        app.files.readInto(bankFile(app, b), {&scan.scanPairLeft, &scan.scanPairRight});
        form.setText(txtSetFreq1, scan.scanPairLeft.text());
        form.setText(txtsetfreq2, scan.scanPairRight.text());
    }
}

} // namespace

void bindScanBanks(App& app)
{
    Form& form = app.form;
    form.onClick(cmdStoreScanBanks, [&app] { switchMode(app, kStoreDisplay); });   // "PrgSet"
    form.onClick(cmdRecallScanBanks, [&app] { switchMode(app, kRecallDisplay); }); // "RunSet"
    for (const BankButton& b : kBankButtons)
        form.onClick(b.button, [&app, &b] { pressBank(app, b); });
}

} // namespace aurelith
