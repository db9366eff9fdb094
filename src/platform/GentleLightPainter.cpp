// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/GentleLightPainter.h"

#include "app/App.h"
#include "photic/GentleLight.h"
#include "ui/ControlNames.h"
#include "ui/TimerScheduler.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace aurelith {

GentleLightPainter::GentleLightPainter(App& app, TimerScheduler& scheduler, QWidget* window)
    : app_(app), scheduler_(scheduler), window_(window)
{
    frame_.setTimerType(Qt::PreciseTimer);
    connect(&frame_, &QTimer::timeout, this, [this] { paintFrame(); });
    app_.form.addObserver([this](const Control& c, Property property) {
        if ((property == Property::Timer && c.name == ctl::tmrStim) ||
            (property == Property::Caption && c.name == ctl::optGentle))
            follow();
    });
    follow();
}

void GentleLightPainter::follow()
{
    const Control& stim = app_.form.control(ctl::tmrStim);
    const bool wanted = gentleLightOn(app_) && stim.timerEnabled && stim.interval > 0;
    if (!wanted) {
        frame_.stop();
        return;
    }
    if (frame_.isActive())
        return;
    const QScreen* screen = window_ ? window_->screen() : nullptr;
    const double hz = std::clamp(screen ? screen->refreshRate() : 60.0, 24.0, 240.0);
    // On presented frames each frame is painted once, soon after the one
    // before it was taken: ticks twice a frame find each new one in time.
    const double ticksPerFrame = app_.frames->timing().presented ? 2 : 1;
    lastShownMs_ = -1e300;
    frame_.start(std::max(1, static_cast<int>(std::floor(1000 / hz / ticksPerFrame))));
}

void GentleLightPainter::paintFrame()
{
    if (gentleOnFrames(app_)) {
        paintNextGentleFrame(app_, lastShownMs_);
        return;
    }
    // Painted now, seen at the next refresh: aim half a frame ahead.
    const double at = static_cast<double>(scheduler_.now()) + frame_.interval() / 2.0;
    const std::optional<double> phase = scheduler_.cyclePhase(ctl::tmrStim, at);
    if (!phase || !paintGentleFrame(app_, *phase))
        follow();
}

} // namespace aurelith
