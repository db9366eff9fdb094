// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Startup.h"

#include "app/DataFileNames.h"
#include "shell/ShellWrites.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"

namespace aurelith {

void shutDown(App& app, ScanGroup scanGroup)
{
    using namespace ctl;
    WindowState& s = ShellWrites::all(app);
    stopTones(app);
    for (auto& buffer : s.tone.soundBuffers)
        buffer.reset();
    app.sound.releaseDevice();
    Form& form = app.form;
    s.tone.savedToneVol = form.value(scrToneVol);
    s.tone.savedBalance = form.value(scrBalance);
    s.tone.savedMaskVol = form.value(scrMaskVol);
    s.tone.savedBaseFreq = form.value(scrBaseFreq);
    app.files.write(dataFile::kLevels,
                    {s.tone.savedToneVol, s.tone.savedBalance, s.tone.savedMaskVol, s.tone.savedBaseFreq});
    app.files.write(dataFile::kColourSetIndex, {s.strobe.colourSetIndex});
    if (scanGroup == ScanGroup::save)
        app.files.write(dataFile::kScanBankGroup, {s.scan.scanBankGroup});
    app.quit();
}

void bindShell(App& app)
{
    app.form.onClick(ctl::cmdExit, [&app] { shutDown(app, ScanGroup::save); });  // "Exit"
    app.form.onClick(ctl::mnuExit, [&app] { shutDown(app, ScanGroup::leave); }); // menu "&Exit"
}

} // namespace aurelith
