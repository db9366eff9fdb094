// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

class QWidget;

namespace aurelith {

struct App;
class TimerScheduler;

// The gentle light's frames: while "Gentle Light" is on and the strobe
// flashes, a precise timer asks for each frame's colour. Where the display
// tells when it shows frames, each frame gets the colour for the moment it
// is shown (paintNextGentleFrame); elsewhere the timer runs at the screen's
// refresh rate and aims half a frame ahead. It runs only while flashing, so
// an idle window never wakes for it.
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
    double lastShownMs_ = -1e300;
};

} // namespace aurelith
