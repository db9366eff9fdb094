// SPDX-License-Identifier: GPL-3.0-or-later
#include "tone/MaskSelector.h"

#include "app/ModePanel.h"
#include "tone/Playback.h"
#include "tone/ToneWrites.h"
#include "ui/ControlNames.h"

namespace aurelith {
namespace {

using namespace ctl;

// Masks 1-4 or 5-8 on the four rows, the chosen one lit; the new mask is
// heard at the next start.
void selectNextMask(App& app)
{
    ToneState& tone = ToneWrites::tone(app);
    tone.maskSelection = tone.maskSelection >= 8 || tone.maskSelection < 1 ? 1 : tone.maskSelection + 1;
    const int n = tone.maskSelection;
    app.form.setCaption(fraMaskVol, "Mask " + std::to_string(n) + " Vol");
    const int firstLabel = n <= 4 ? 1 : 5;
    labelModeRows(app, [firstLabel](int row) { return "MK" + std::to_string(firstLabel + row); });
    lightModeRow(app, -1);
    setLamp(app, modePanel::kRowLamps[(n - 1) % 4], true);
    stopTones(app);
}

} // namespace

void bindMaskSelector(App& app)
{
    app.form.onClick(cmdNextMask, [&app] { selectNextMask(app); }); // "Mask"
} // "Mask"

} // namespace aurelith
