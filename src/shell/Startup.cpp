// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/Startup.h"

#include "shell/ShellWrites.h"
#include "tone/ChannelText.h"
#include "ui/ControlNames.h"

namespace aurelith {

bool startUp(App& app)
{
    ShellWrites::all(app) = WindowState{};
    restoreSettings(app);
    if (app.showWindow)
        app.showWindow();
    // Problems with the folder found so far, and any later, are told over the window.
    app.files.setListener([&app](const std::string& text) { app.message(text); });
    std::string error;
    if (!app.sound.createDevice(error)) {
        app.message(std::string(kNoSoundMessage) + (error.empty() ? "" : "\n" + error));
        app.quit();
        return false;
    }
    app.form.setText(ctl::txtBaseFreq, app.form.text(ctl::txtSetFreq1));
    showBeat(app);
    return true;
}

} // namespace aurelith
