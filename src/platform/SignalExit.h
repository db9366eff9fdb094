// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace aurelith {

// Ends the program cleanly on SIGTERM (logout, `kill`), SIGINT (Ctrl+C) and
// SIGHUP (the terminal closed). The handler only writes a byte to a socket
// pair; the window's thread reads it and runs the close path there, so no work
// is ever done inside the handler.
class SignalExit : public QObject {
    Q_OBJECT

public:
    // onSignal runs on the thread that created this object, once per signal.
    explicit SignalExit(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
    ~SignalExit() override;
    SignalExit(const SignalExit&) = delete;
    SignalExit& operator=(const SignalExit&) = delete;

    // False when the socket pair or a handler could not be set up.
    bool installed() const { return installed_; }

private:
    static void handle(int signal);
    void readSignals();

    std::function<void(int)> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
    bool installed_ = false;
};

} // namespace aurelith
