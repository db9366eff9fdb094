// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

class QWidget;

namespace aurelith {

struct App;
class TimerScheduler;

// The gentle light's frames until the window has a frame clock of its own:
// while "Gentle Light" is on and the strobe flashes, a precise timer at the
// screen's refresh rate asks the strobe for each frame's colour. It runs only
// then, so an idle window never wakes for it.
class GentleLightPainter : public QObject {
    Q_OBJECT

public:
    GentleLightPainter(App& app, TimerScheduler& scheduler, QWidget* window);

    bool running() const { return frame_.isActive(); }

private:
    void follow();
    void paintFrame();

    App& app_;
    TimerScheduler& scheduler_;
    QWidget* window_;
    QTimer frame_;
};

} // namespace aurelith
