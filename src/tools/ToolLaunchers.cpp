// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ToolLaunchers.h"

#include "ui/ControlNames.h"

namespace aurelith {

using namespace ctl;

// pavucontrol works under PulseAudio and PipeWire on any desktop, so it comes
// before the desktops' own settings (which may refuse to run elsewhere).
const std::vector<Tool>& desktopTools()
{
    static const std::vector<Tool> tools = {
        {cmdDxDiag, // "DXDiag", menu "&DxDiag": the sound hardware
         mnuDxDiag,
         {{"pavucontrol", {"--tab=5"}}, // the sound cards and their profiles
          {"pavucontrol-qt", {}},
          {"qpwgraph", {}},
          {"helvum", {}},
          {"gnome-control-center", {"sound"}},
          {"systemsettings", {"kcm_pulseaudio"}},
          {"systemsettings5", {"kcm_pulseaudio"}}}},
        // "Recorder", menu "&Recorder"
        {cmdRecorder,
         mnuRecorder,
         {{"gnome-sound-recorder", {}}, {"audacity", {}}, {"kwave", {}}, {"audio-recorder", {}}}},
        {cmdMediaPlayer, // "MediaPyr"
         "",
         {{"vlc", {}},
          {"totem", {}},
          {"celluloid", {}},
          {"mpv", {"--player-operation-mode=pseudo-gui"}}, // without it mpv ends at once
          {"smplayer", {}},
          {"parole", {}},
          {"haruna", {}}}},
        {cmdMixer, // "Mixer", menu "&Mixer"
         mnuMixer,
         {{"pavucontrol", {}},
          {"pavucontrol-qt", {}},
          {"gnome-control-center", {"sound"}},
          {"systemsettings", {"kcm_pulseaudio"}},
          {"systemsettings5", {"kcm_pulseaudio"}}}},
    };
    return tools;
}

bool startFirst(Launcher& launcher, const std::vector<ToolCommand>& candidates,
                const std::filesystem::path& workingFolder)
{
    for (const ToolCommand& c : candidates)
        if (launcher.start(c.program, c.arguments, workingFolder))
            return true;
    return false;
}

void openManual(App& app)
{
    std::error_code error;
    if (app.manualPath.empty() || !std::filesystem::is_regular_file(app.manualPath, error))
        return;
    // Without a viewer nothing would happen at all: say where the manual is.
    if (!app.launcher.open(app.manualPath))
        app.message("No program could open the manual. It is the file " + app.manualPath.string() +
                    "; open it in a web browser.");
}

// Nothing is reported: a tool that is not installed simply does not open.
void bindToolLaunchers(App& app)
{
    for (const Tool& tool : desktopTools()) {
        auto launch = [&app, &tool] { startFirst(app.launcher, tool.candidates, app.folder); };
        app.form.onClick(tool.button, launch);
        if (!tool.menuItem.empty())
            app.form.onClick(tool.menuItem, launch);
    }
    app.form.onClick(cmdManual, [&app] { openManual(app); });     // "Manual"
    app.form.onClick(mnuReadManual, [&app] { openManual(app); }); // "&Read Manual"
    // The Sequences window is the platform's own; the host says how to open it.
    app.form.onClick(optSequences, [&app] {
        if (app.openSequences)
            app.openSequences();
    });
}

} // namespace aurelith
