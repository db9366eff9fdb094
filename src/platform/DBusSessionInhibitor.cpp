// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DBusSessionInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace aurelith {
namespace {

constexpr auto kScreenSaverService = "org.freedesktop.ScreenSaver";
constexpr auto kScreenSaverPath = "/org/freedesktop/ScreenSaver";
constexpr auto kLoginService = "org.freedesktop.login1";
constexpr auto kLoginPath = "/org/freedesktop/login1";
constexpr auto kLoginManager = "org.freedesktop.login1.Manager";
// A service that is started on demand may take a moment; one that hangs must not keep a hold pending forever.
constexpr int kCallTimeoutMs = 5000;
// Only when the program ends do we wait for a reply, and not for long.
constexpr int kExitTimeoutMs = 250;

// Sends call and, while it waits, marks pending. Once the answer comes (and we
// are still there), pending is cleared and a reply without error goes to take.
template <typename Reply, typename Take>
void ask(QDBusConnection& bus, const QDBusMessage& call, const std::shared_ptr<bool>& alive, bool& pending, Take take)
{
    pending = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [alive, &pending, take](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (!*alive)
            return;
        QDBusPendingReply<Reply> reply = *w;
        pending = false;
        if (!reply.isError())
            take(reply.value());
    });
}

} // namespace

DBusSessionInhibitor::DBusSessionInhibitor(int releaseGraceMs)
    : DBusSessionInhibitor(QDBusConnection::sessionBus(), QDBusConnection::systemBus(), releaseGraceMs)
{
}

DBusSessionInhibitor::DBusSessionInhibitor(QDBusConnection sessionBus, QDBusConnection systemBus, int releaseGraceMs)
    : session_(std::move(sessionBus)), systemBus_(std::move(systemBus))
{
    screen_.request = [this] { requestScreen(); };
    screen_.release = [this] { releaseScreen(); };
    system_.request = [this] { requestSystem(); };
    system_.release = [this] { releaseSystem(); };
    for (Hold* h : {&screen_, &system_}) {
        h->releaseTimer.setSingleShot(true);
        h->releaseTimer.setInterval(releaseGraceMs);
        QObject::connect(&h->releaseTimer, &QTimer::timeout, [h] { drop(*h); });
    }
}

DBusSessionInhibitor::~DBusSessionInhibitor()
{
    *alive_ = false;
    if (cookie_ && session_.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                                                           "UnInhibit");
        call << *cookie_;
        session_.call(call, QDBus::Block, kExitTimeoutMs);
    }
    // Closing our end of the lock releases the sleep inhibition.
}

void DBusSessionInhibitor::holdScreenAwake(bool hold) { set(screen_, hold); }
void DBusSessionInhibitor::holdSystemAwake(bool hold) { set(system_, hold); }

void DBusSessionInhibitor::set(Hold& h, bool hold)
{
    if (hold) {
        h.releaseTimer.stop();
        if (h.wanted)
            return; // already held, asked for, or refused: nothing to do again
        h.wanted = true;
        if (!h.held && !h.pending)
            h.request();
        return;
    }
    if (!h.wanted || h.releaseTimer.isActive())
        return;
    if (h.releaseTimer.interval() <= 0)
        drop(h);
    else
        h.releaseTimer.start();
}

void DBusSessionInhibitor::drop(Hold& h)
{
    h.wanted = false;
    if (h.held) {
        h.held = false;
        h.release();
    }
    // A request still on its way is released when its reply comes.
}

void DBusSessionInhibitor::granted(Hold& h)
{
    h.pending = false;
    h.held = true;
    if (!h.wanted)
        drop(h);
}

void DBusSessionInhibitor::requestScreen()
{
    if (!session_.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                                                       "Inhibit");
    call << QStringLiteral("Aurelith") << QStringLiteral("Colour strobe running");
    // No answer (no screen saver service here): nothing to hold.
    ask<uint>(session_, call, alive_, screen_.pending, [this](uint cookie) {
        cookie_ = cookie;
        granted(screen_);
    });
}

void DBusSessionInhibitor::releaseScreen()
{
    if (!cookie_)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                                                       "UnInhibit");
    call << *cookie_;
    cookie_.reset();
    // Nobody waits for the answer; the bus delivers the call in order.
    session_.asyncCall(call, kCallTimeoutMs);
}

void DBusSessionInhibitor::requestSystem()
{
    // The lock comes back as a file descriptor, which needs a bus that passes them.
    if (!systemBus_.isConnected() ||
        !(systemBus_.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing))
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kLoginService, kLoginPath, kLoginManager, "Inhibit");
    call << QStringLiteral("sleep") << QStringLiteral("Aurelith") << QStringLiteral("Playing sound")
         << QStringLiteral("block");
    // No login manager, or it refused us: nothing to hold.
    ask<QDBusUnixFileDescriptor>(systemBus_, call, alive_, system_.pending,
                                 [this](const QDBusUnixFileDescriptor& lock) {
                                     if (!lock.isValid())
                                         return;
                                     sleepLock_ = lock;
                                     granted(system_);
                                 });
}

void DBusSessionInhibitor::releaseSystem()
{
    // The login manager drops the inhibition when the last copy of the descriptor closes.
    sleepLock_ = QDBusUnixFileDescriptor();
}

} // namespace aurelith
