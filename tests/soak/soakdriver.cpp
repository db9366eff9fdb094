// SPDX-License-Identifier: GPL-3.0-or-later
// The program as main() builds it (the real window, the SDL sound output, a
// wall clock driving the timers), used by scripts/soak.sh: it plays "M Alpha"
// over the built-in pink noise, scans every 4 seconds and flashes, turning the
// scan round every 40 seconds so the beat stays between 5 and 15 Hz, then
// presses Exit after the given minutes. Message boxes are answered from a
// script so that none can stop the run. Usage: soakdriver MINUTES DATA_FOLDER
#include "photic/FlashWarning.h"
#include "app/App.h"
#include "app/DataFileNames.h"
#include "platform/ClockedWindow.h"
#include "platform/SdlAudioOutput.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "support/ScriptedDialogs.h"
#include "ui/ControlNames.h"

#include <QApplication>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace aurelith;

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: soakdriver MINUTES DATA_FOLDER\n");
        return 2;
    }
    const double minutes = std::atof(argv[1]);
    const std::filesystem::path folder = argv[2];
    QApplication qapp(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    Form form;
    SdlAudioOutput output;
    MixerSoundSystem sound(&output);
    sound.setPinkNoiseStandIn(dataFile::maskSound(1));
    ScriptedDialogs dialogs;
    App app(form, sound, dialogs, folder);
    app.files.write(dataFile::kFlashAnswer, {Value(1)}); // the warning answered before
    bindHandlers(app);
    ClockedWindow clocked(form);
    clocked.serve(app);
    if (!startUp(app)) {
        std::fprintf(stderr, "cannot start: %s\n", dialogs.messages().empty() ? "" : dialogs.messages()[0].c_str());
        return 1;
    }
    QTimer::singleShot(500, [&] {
        form.click(ctl::cmdMAlpha);
        form.click(ctl::mnuScan4Sec); // 4-second scan, 160/165 Hz, upwards
        form.click(ctl::cmdScanOn);
        form.click(ctl::cmdColourOn);
        std::printf("playing, scanning and flashing: %s/%s Hz\n", form.text(ctl::txtSetFreq1).c_str(),
                    form.text(ctl::txtsetfreq2).c_str());
        std::fflush(stdout);
    });
    QTimer turn;
    bool up = true;
    QObject::connect(&turn, &QTimer::timeout, [&] {
        up = !up;
        form.click(up ? ctl::cmdScanUp : ctl::cmdScanDown);
    });
    turn.start(40000);
    QTimer::singleShot(static_cast<int>(minutes * 60000), [&] {
        std::printf("after %g minutes at %s/%s Hz; %zu message boxes\n", minutes, form.text(ctl::txtSetFreq1).c_str(),
                    form.text(ctl::txtsetfreq2).c_str(), dialogs.shown.size());
        std::fflush(stdout);
        form.click(ctl::cmdExit);
    });
    return qapp.exec();
}
