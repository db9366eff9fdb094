// SPDX-License-Identifier: GPL-3.0-or-later
// Runs "Headphone Check" on the program's own output (libpulse, else SDL) and
// prints one word per box it showed: "left", "right", "mono" or "other".
#include "app/App.h"
#include "platform/DefaultAudioOutput.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "support/ScriptedDialogs.h"
#include "tools/HeadphoneCheck.h"
#include "ui/ControlNames.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace aurelith;

int main()
{
    char pattern[] = "/tmp/aurelith-headphonecheck-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    std::ofstream(folder / "fctl") << "1\r\n";
    Form form;
    DefaultAudioOutput output;
    MixerSoundSystem sound(&output);
    ScriptedDialogs dialogs;
    App app(form, sound, dialogs, folder);
    bindHandlers(app);
    int status = 0;
    if (!startUp(app) || !sound.outputOpen()) {
        std::fprintf(stderr, "no sound output\n");
        status = 2;
    } else {
        dialogs.shown.clear();
        form.click(ctl::optHeadphones);
        for (const std::string& text : dialogs.messages())
            std::printf("%s\n", text == earCheckText(Ear::left)    ? "left"
                                : text == earCheckText(Ear::right) ? "right"
                                : text == kOneChannelMessage       ? "mono"
                                                                   : "other");
    }
    sound.releaseDevice();
    std::filesystem::remove_all(folder);
    return status;
}
