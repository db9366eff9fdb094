// SPDX-License-Identifier: GPL-3.0-or-later
// Plays "M Alpha" through the real sound path (our mixer and the SDL device)
// for the given number of seconds, so that a recording of the output can be
// measured. With "presses" after the seconds, ten band buttons follow one
// another over the built-in pink noise, as a user retuning while masked. With
// "sine HZ" both boxes play one sine of that pitch instead, to measure its purity.
#include "app/App.h"
#include "app/DataFileNames.h"
#include "shell/Startup.h"
#include "platform/SdlAudioOutput.h"
#include "sound/MixerSoundSystem.h"
#include "support/ScriptedDialogs.h"
#include "shell/Bindings.h"
#include "ui/ControlNames.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

using namespace aurelith;

int main(int argc, char* argv[])
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    const bool presses = argc > 2 && std::string(argv[2]) == "presses";
    const std::string sineHz = argc > 3 && std::string(argv[2]) == "sine" ? argv[3] : "";
    char pattern[] = "/tmp/aurelith-playcheck-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    // Settings as a user would have them: base frequency 160, tones at -10 dB, centred.
    std::ofstream(folder / "fctl") << "1\r\n";
    std::ofstream(folder / "vols") << (presses ? "-1000,0,-1000,160\r\n" : "-1000,0,0,160\r\n");

    Form form;
    SdlAudioOutput output;
    MixerSoundSystem sound(&output);
    if (sineHz.empty()) // the sine plays alone
        sound.setPinkNoiseStandIn(dataFile::maskSound(1));
    ScriptedDialogs dialogs;
    App app(form, sound, dialogs, folder);
    bindHandlers(app);
    int status = 0;
    if (!startUp(app)) {
        std::fprintf(stderr, "no sound output: %s\n", dialogs.messages().empty() ? "" : dialogs.messages()[0].c_str());
        status = 2;
    } else {
        if (sineHz.empty()) {
            form.click(ctl::cmdMAlpha);
        } else {
            form.setText(ctl::txtSetFreq1, sineHz);
            form.setText(ctl::txtsetfreq2, sineHz);
            form.click(ctl::cmdGenerate);
        }
        std::printf("playing %s Hz and %s Hz, beat %s Hz\n", form.text(ctl::txtSetFreq1).c_str(),
                    form.text(ctl::txtsetfreq2).c_str(), form.text(ctl::txtBeat).c_str());
        std::fflush(stdout);
        if (presses) {
            // The ten band presets from "M Theta" up.
            const double gap = seconds / 11;
            for (int i = 0; i < 10; ++i) {
                std::this_thread::sleep_for(std::chrono::duration<double>(gap));
                form.click(ctl::kBandPresets[5 + i]);
                std::printf("%s/%s Hz\n", form.text(ctl::txtSetFreq1).c_str(), form.text(ctl::txtsetfreq2).c_str());
            }
            std::this_thread::sleep_for(std::chrono::duration<double>(gap));
        } else {
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        }
        form.click(ctl::cmdExit);
    }
    std::filesystem::remove_all(folder);
    return status;
}
