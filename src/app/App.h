// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DataFiles.h"
#include "ports/Dialogs.h"
#include "ports/FrameClock.h"
#include "ports/Launcher.h"
#include "ports/SessionInhibitor.h"
#include "ports/SoundSystem.h"
#include "ports/TimeOfDay.h"
#include "state/WindowState.h"
#include "ui/Form.h"

#include <filesystem>
#include <functional>
#include <string>

namespace aurelith {

inline constexpr const char* kRangeMessage = "Frequency must be within 10 to 15600 Hz range.";
inline constexpr const char* kAppTitle = "Aurelith";

inline Launcher& noLauncher()
{
    static NoLauncher none;
    return none;
}
inline const TimeOfDay& noTimeOfDay()
{
    static const NoTimeOfDay none;
    return none;
}
inline SessionInhibitor& noSessionInhibitor()
{
    static NoSessionInhibitor none;
    return none;
}
inline FrameClock& noFrameClock()
{
    static NoFrameClock none;
    return none;
}

// What every handler works on: the window, its shared variables, its files and
// the platform services.
struct App {
    App(const App&) = delete; // state refers to this App's own variables
    App(Form& form, SoundSystem& sound, Dialogs& dialogs, std::filesystem::path folder,
        Launcher& launcher = noLauncher(), const TimeOfDay& timeOfDay = noTimeOfDay())
        : form(form), sound(sound), dialogs(dialogs), launcher(launcher), timeOfDay(timeOfDay), files(folder),
          folder(std::move(folder))
    {
    }

    Form& form;
    SoundSystem& sound;
    Dialogs& dialogs;
    Launcher& launcher;
    const TimeOfDay& timeOfDay;
    // Set by the host when it has a desktop session to talk to.
    SessionInhibitor* inhibitor = &noSessionInhibitor();
    // Set by the host when its display tells when the flash surface is shown.
    FrameClock* frames = &noFrameClock();
    DataFiles files;
    std::filesystem::path folder; // data, tone and masking files all live here
    // The user manual (HTML); set by the host, empty when it cannot be found.
    std::filesystem::path manualPath;
    // The built-in sequences' folder; set by the host, empty when there is none.
    std::filesystem::path builtInSequences;

private:
    WindowState state_;
    // The only writers of state_, each in its owner's folder: tone/ToneWrites.h,
    // photic/PhoticWrites.h (the strobe and the shared group), freq/FreqWrites.h,
    // scan/ScanWrites.h (the scanner and the shared group), events/EventsWrites.h,
    // and shell/ShellWrites.h, which restores and resets them all.
    friend struct ToneWrites;
    friend struct PhoticWrites;
    friend struct FreqWrites;
    friend struct ScanWrites;
    friend struct EventsWrites;
    friend struct ShellWrites;

public:
    // Every folder reads every group here.
    const WindowState& state = state_;
    // Closes the window and leaves the event loop; set by whoever runs the window.
    std::function<void()> onQuit;
    // Opens the Sequences window (a window of the platform's own); empty where there is none.
    std::function<void()> openSequences;
    // Shows the real window during start-up; empty in tests.
    std::function<void()> showWindow;
    bool quitRequested = false;

    // A modal OK box; timers hold their ticks while it is open.
    void message(const std::string& text, const std::string& title = kAppTitle)
    {
        const Form::ModalScope modal(form);
        dialogs.message(text, title);
    }

    // Yes/No with the critical-stop icon, No the default; true for Yes.
    bool confirm(const std::string& text, const std::string& title)
    {
        const Form::ModalScope modal(form);
        return dialogs.confirm(text, title);
    }

    // Ends the program.
    void quit()
    {
        quitRequested = true;
        if (onQuit)
            onQuit();
    }
};

} // namespace aurelith
