// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ClockedWindow.h"

#include "app/App.h"

#include <QCoreApplication>

namespace aurelith {

QElapsedTimer ClockedWindow::started()
{
    QElapsedTimer clock;
    clock.start();
    return clock;
}

ClockedWindow::ClockedWindow(Form& form)
    : scheduler_(form, [this] { return clock_.elapsed(); }), window_(form, scheduler_)
{
}

void ClockedWindow::serve(App& app)
{
    app.showWindow = [this] { window_.show(); };
    gentleLight_ = std::make_unique<GentleLightPainter>(app, scheduler_, &window_);
    window_.setLampTest([&app](const Control& lamp) {
        const auto on = app.state.strobe.lampOnColour.colour();
        return on && lamp.backColour == on;
    });
    app.onQuit = [this] {
        window_.hide();
        QCoreApplication::quit();
    };
}

} // namespace aurelith
