// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ports/SessionInhibitor.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace aurelith {

// The freedesktop inhibitors over D-Bus: org.freedesktop.ScreenSaver on the
// session bus keeps the screen awake, org.freedesktop.login1 on the system bus
// keeps the machine from sleeping. Every call is asynchronous, so the window
// never waits for a bus; where no service answers, nothing happens.
//
// A release waits a short grace period first: a retune stops and restarts the
// tones (and the strobe) at once, and should not drop and retake the hold.
class DBusSessionInhibitor : public SessionInhibitor {
public:
    explicit DBusSessionInhibitor(int releaseGraceMs = 3000);
    DBusSessionInhibitor(QDBusConnection sessionBus, QDBusConnection systemBus, int releaseGraceMs);
    ~DBusSessionInhibitor() override;

    void holdScreenAwake(bool hold) override;
    void holdSystemAwake(bool hold) override;

    bool screenHeld() const { return screen_.held; }
    bool systemHeld() const { return system_.held; }

private:
    // One kind of hold: wanted by the program, asked for, granted.
    struct Hold {
        bool wanted = false;
        bool pending = false;
        bool held = false;
        QTimer releaseTimer;
        std::function<void()> request;
        std::function<void()> release;
    };

    static void set(Hold& h, bool hold);
    static void drop(Hold& h);
    static void granted(Hold& h);

    void requestScreen();
    void releaseScreen();
    void requestSystem();
    void releaseSystem();

    QDBusConnection session_;
    QDBusConnection systemBus_;
    Hold screen_;
    Hold system_;
    std::optional<uint> cookie_;
    QDBusUnixFileDescriptor sleepLock_;
    // Replies that arrive after we are gone must not touch us.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace aurelith
