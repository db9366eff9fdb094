// SPDX-License-Identifier: GPL-3.0-or-later
// The D-Bus inhibitor against fake ScreenSaver and login1 services on a
// private bus (see with_private_bus.sh).
#include "photic/FlashWarning.h"
#include "platform/DBusSessionInhibitor.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "support/ScriptedDialogs.h"
#include "ui/ControlNames.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <poll.h>
#include <unistd.h>

#include <memory>
#include <vector>

using namespace aurelith;

// Records every call, hands out cookies as the desktop's screen saver does.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    std::vector<QString> inhibitors;
    std::vector<uint> released;
    uint nextCookie = 41;

public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        Q_UNUSED(reason);
        inhibitors.push_back(application);
        return ++nextCookie;
    }
    void UnInhibit(uint cookie) { released.push_back(cookie); }
};

// Hands out the write end of a pipe as login1 hands out its lock: the hold
// lasts until every copy of that end is closed, which the read end shows.
class FakeLogin : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    ~FakeLogin() override
    {
        for (int fd : readEnds)
            ::close(fd);
    }
    QStringList lastCall;
    std::vector<int> readEnds;

    bool lockClosed(std::size_t i) const
    {
        pollfd p{readEnds.at(i), POLLIN, 0};
        return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode)
    {
        lastCall = {what, who, why, mode};
        int fds[2];
        if (::pipe(fds) != 0)
            return {};
        readEnds.push_back(fds[0]);
        QDBusUnixFileDescriptor lock(fds[1]); // keeps its own copy
        ::close(fds[1]);
        return lock;
    }
};

class InhibitorTest : public QObject {
    Q_OBJECT

private:
    QDBusConnection fakeBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-services");
    std::unique_ptr<FakeScreenSaver> screenSaver;
    std::unique_ptr<FakeLogin> login;

    // Both buses are the private one; the inhibitor cannot tell.
    static std::unique_ptr<DBusSessionInhibitor> inhibitor(int graceMs)
    {
        return std::make_unique<DBusSessionInhibitor>(QDBusConnection::sessionBus(), QDBusConnection::systemBus(),
                                                      graceMs);
    }

    void registerFakes()
    {
        screenSaver = std::make_unique<FakeScreenSaver>();
        login = std::make_unique<FakeLogin>();
        QVERIFY(
            fakeBus.registerObject("/org/freedesktop/ScreenSaver", screenSaver.get(), QDBusConnection::ExportAllSlots));
        QVERIFY(fakeBus.registerService("org.freedesktop.ScreenSaver"));
        QVERIFY(fakeBus.registerObject("/org/freedesktop/login1", login.get(), QDBusConnection::ExportAllSlots));
        QVERIFY(fakeBus.registerService("org.freedesktop.login1"));
    }

    void unregisterFakes()
    {
        fakeBus.unregisterService("org.freedesktop.ScreenSaver");
        fakeBus.unregisterService("org.freedesktop.login1");
        fakeBus.unregisterObject("/org/freedesktop/ScreenSaver");
        fakeBus.unregisterObject("/org/freedesktop/login1");
    }

    // Lets replies and timers run for a while.
    static void settle(int ms)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(fakeBus.isConnected(), "run through with_private_bus.sh");
        QVERIFY2(QDBusConnection::systemBus().isConnected(), "run through with_private_bus.sh");
    }
    void init() { registerFakes(); }
    void cleanup() { unregisterFakes(); }

    void screenHoldIsTakenOnceAndReleasedWithItsCookie()
    {
        auto inh = inhibitor(0);
        inh->holdScreenAwake(true);
        inh->holdScreenAwake(true);
        QTRY_VERIFY(inh->screenHeld());
        settle(50);
        QCOMPARE(screenSaver->inhibitors, std::vector<QString>{"Aurelith"});
        inh->holdScreenAwake(false);
        QTRY_COMPARE(screenSaver->released, std::vector<uint>{screenSaver->nextCookie});
        QVERIFY(!inh->screenHeld());
        inh->holdScreenAwake(false);
        settle(50);
        QCOMPARE(screenSaver->released.size(), 1u);
    }

    // The whole program: the strobe's buttons take and give back the hold.
    void colourStrobeHoldsTheScreenAwakeWhileItFlashes()
    {
        auto inh = inhibitor(0);
        QTemporaryDir folder;
        Form form;
        MixerSoundSystem sound; // offline
        ScriptedDialogs dialogs;
        App app(form, sound, dialogs, folder.path().toStdString());
        app.inhibitor = inh.get();
        app.files.write(dataFile::kFlashAnswer, {Value(1)}); // the warning answered before
        bindHandlers(app);
        QVERIFY(startUp(app));
        form.click(ctl::cmdColourOn);
        QTRY_VERIFY(inh->screenHeld());
        QCOMPARE(screenSaver->inhibitors, std::vector<QString>{"Aurelith"});
        form.click(ctl::cmdColourOff);
        QTRY_COMPARE(screenSaver->released, std::vector<uint>{screenSaver->nextCookie});
        QVERIFY(!inh->screenHeld());
        QVERIFY(dialogs.shown.empty());
    }

    void sleepLockIsKeptUntilReleased()
    {
        auto inh = inhibitor(0);
        inh->holdSystemAwake(true);
        QTRY_VERIFY(inh->systemHeld());
        QCOMPARE(login->lastCall, (QStringList{"sleep", "Aurelith", "Playing sound", "block"}));
        QVERIFY(!login->lockClosed(0));
        inh->holdSystemAwake(false);
        QVERIFY(login->lockClosed(0));
        // Taken again after a release.
        inh->holdSystemAwake(true);
        QTRY_VERIFY(inh->systemHeld());
        QCOMPARE(login->readEnds.size(), 2u);
        inh.reset();
        QVERIFY(login->lockClosed(1));
    }

    // Stopping and restarting within the grace period (a retune) keeps the
    // first hold instead of dropping and retaking it.
    void restartWithinGraceKeepsTheHold()
    {
        auto inh = inhibitor(300);
        inh->holdScreenAwake(true);
        inh->holdSystemAwake(true);
        QTRY_VERIFY(inh->screenHeld() && inh->systemHeld());
        inh->holdScreenAwake(false);
        inh->holdSystemAwake(false);
        inh->holdScreenAwake(true);
        inh->holdSystemAwake(true);
        settle(500);
        QCOMPARE(screenSaver->inhibitors.size(), 1u);
        QVERIFY(screenSaver->released.empty());
        QCOMPARE(login->readEnds.size(), 1u);
        QVERIFY(!login->lockClosed(0));
        inh->holdScreenAwake(false);
        inh->holdSystemAwake(false);
        QVERIFY(inh->screenHeld()); // not yet
        QTRY_COMPARE(screenSaver->released.size(), 1u);
        QTRY_VERIFY(login->lockClosed(0));
    }

    // A release that comes before the service answered still releases.
    void releaseBeforeTheReplyIsNotLost()
    {
        auto inh = inhibitor(0);
        inh->holdScreenAwake(true);
        inh->holdSystemAwake(true);
        inh->holdScreenAwake(false);
        inh->holdSystemAwake(false);
        QTRY_COMPARE(screenSaver->released.size(), 1u);
        QTRY_COMPARE(login->readEnds.size(), 1u);
        QTRY_VERIFY(login->lockClosed(0));
        QVERIFY(!inh->screenHeld() && !inh->systemHeld());
    }

    void withoutServicesNothingHappens()
    {
        unregisterFakes();
        auto inh = inhibitor(0);
        inh->holdScreenAwake(true);
        inh->holdSystemAwake(true);
        settle(200);
        QVERIFY(!inh->screenHeld() && !inh->systemHeld());
        inh->holdScreenAwake(false);
        inh->holdSystemAwake(false);

        // No bus at all.
        DBusSessionInhibitor offline(QDBusConnection("no-such-connection"), QDBusConnection("no-such-connection"), 0);
        offline.holdScreenAwake(true);
        offline.holdSystemAwake(true);
        settle(50);
        QVERIFY(!offline.screenHeld() && !offline.systemHeld());

        // A service that appears later is used on the next hold.
        registerFakes();
        inh->holdScreenAwake(true);
        QTRY_VERIFY(inh->screenHeld());
    }
};

QTEST_GUILESS_MAIN(InhibitorTest)
#include "InhibitorTest.moc"
