// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"
#include "platform/MainWindow.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "support/TempFolder.h"

#include <memory>

namespace aurelith::test {

// The program in the real window (Qt Test), shown, its handlers bound, in a
// folder of its own that goes with it. Its timers run on `clock` (ms), a
// standing one by default; `files` are saved settings written there first.
template <class Dialogs>
struct WindowRig {
    using Clock = std::function<std::int64_t()>;
    explicit WindowRig(
        Clock clock = [] { return std::int64_t{0}; },
        const std::vector<std::pair<std::string, std::string>>& files = {})
        : scheduler{form, std::move(clock)}
    {
        for (const auto& [name, value] : files)
            writeBytes(folder / name, value + "\r\n");
        app = std::make_unique<App>(form, sound, dialogs, folder);
        bindHandlers(*app);
        window = std::make_unique<MainWindow>(form, scheduler);
        window->setWindowTitle(kWindowCaption);
        dialogs.setParent(window.get());
        window->show();
    }

    TempFolder temp;
    const fs::path& folder = temp.path;
    Form form;
    MixerSoundSystem sound;
    Dialogs dialogs;
    TimerScheduler scheduler;
    std::unique_ptr<App> app;
    std::unique_ptr<MainWindow> window;
};

} // namespace aurelith::test
