// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/Form.h"
#include "ui/TimerScheduler.h"

#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <string_view>

class QAction;
class QMenu;

namespace aurelith {

// The real window: renders the Form with Qt widgets, mirrors every change the
// handlers make to it, and hands every user action back to it.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow(Form& form, TimerScheduler& scheduler);

    QWidget* widget(std::string_view name) const;
    QAction* action(std::string_view name) const;
    QMenu* menu(std::string_view name) const;
    QWidget* clientArea() const { return client_; }
    // Which lamps are lit, for the names assistive technology reads.
    void setLampTest(std::function<bool(const Control&)> lit);

    static constexpr int kTwipsPerPixel = 15;

private:
    void buildControls();
    void buildMenus();
    QWidget* createWidget(const Control& c, QWidget* parent);
    void connectControl(const Control& c, QWidget* w);
    void mirror(const Control& c, Property property);
    void mirrorMenu(const Control& c, Property property);
    void applyBackColour(QWidget* w, const Control& c);
    void scheduleNextTick();
    void nameControls();
    void nameControl(const Control& c, QWidget* w);

    Form& form_;
    TimerScheduler& scheduler_;
    QWidget* client_ = nullptr;
    QTimer tickTimer_;
    std::map<std::string, QWidget*, std::less<>> widgets_;
    std::map<std::string, QAction*, std::less<>> actions_;
    std::map<std::string, QMenu*, std::less<>> menus_;
    std::function<bool(const Control&)> lampLit_;
    QString titleSuffix_; // what the sleep timer shows after the caption
};

} // namespace aurelith
