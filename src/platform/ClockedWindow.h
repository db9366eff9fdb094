// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/GentleLightPainter.h"
#include "platform/MainWindow.h"
#include "ui/TimerScheduler.h"

#include <QElapsedTimer>

#include <memory>

namespace aurelith {

struct App;

// The window as the program runs it: its timers driven by a monotonic clock
// that starts with the window.
class ClockedWindow {
public:
    explicit ClockedWindow(Form& form);

    MainWindow& window() { return window_; }
    // The program shows this window when it starts and hides it and ends the
    // event loop when it quits.
    void serve(App& app);

private:
    static QElapsedTimer started();

    QElapsedTimer clock_ = started();
    TimerScheduler scheduler_;
    MainWindow window_;
    std::unique_ptr<GentleLightPainter> gentleLight_;
};

} // namespace aurelith
