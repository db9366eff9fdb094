// SPDX-License-Identifier: GPL-3.0-or-later
// Media keys and the sound menu: the MPRIS service of the whole program below
// the window, called by a separate client on a private bus (with_private_bus.sh).
#include "platform/MprisService.h"
#include "sequence/SequenceSession.h"
#include "shell/Bindings.h"
#include "shell/Startup.h"
#include "sound/MixerSoundSystem.h"
#include "support/ScriptedDialogs.h"
#include "ui/ControlNames.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace aurelith;

class MprisTest : public QObject {
    Q_OBJECT

    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "mpris-client");
    QTemporaryDir folder;
    Form form;
    MixerSoundSystem sound; // offline
    ScriptedDialogs dialogs;
    std::unique_ptr<App> app;
    std::unique_ptr<MprisService> service;
    int raised = 0;

    // The service answers on this thread, so the client waits without blocking it.
    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(MprisService::kServiceName, MprisService::kObjectPath,
                                                        interface, method);
        m.setArguments(args);
        QDBusPendingCall pending = client.asyncCall(m);
        QElapsedTimer t;
        t.start();
        while (!pending.isFinished() && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return pending.reply();
    }
    void player(const QString& method) { call("org.mpris.MediaPlayer2.Player", method); }
    QVariant property(const QString& name, const QString& interface = "org.mpris.MediaPlayer2.Player")
    {
        const QDBusMessage reply = call("org.freedesktop.DBus.Properties", "Get", {interface, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    QString status() { return property("PlaybackStatus").toString(); }
    QString title() { return qdbus_cast<QVariantMap>(property("Metadata")).value("xesam:title").toString(); }

public:
    std::vector<QVariantMap> announced;
    // The newest announced value of a property: a change may come in a signal
    // of its own, and a scan's steps announce the title between them.
    QVariant lastAnnounced(const QString& property) const
    {
        for (auto it = announced.rbegin(); it != announced.rend(); ++it)
            if (it->contains(property))
                return it->value(property);
        return {};
    }

public slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
    {
        if (interface == "org.mpris.MediaPlayer2.Player")
            announced.push_back(changed);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(client.isConnected(), "run through with_private_bus.sh");
        app = std::make_unique<App>(form, sound, dialogs, folder.path().toStdString());
        bindHandlers(*app);
        QVERIFY(startUp(*app));
        service = std::make_unique<MprisService>(*app, [this] { ++raised; });
        QCOMPARE(service->serviceName(), QString(MprisService::kServiceName));
        QVERIFY(client.connect(MprisService::kServiceName, MprisService::kObjectPath, "org.freedesktop.DBus.Properties",
                               "PropertiesChanged", this, SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
    }

    void methodsStartAndStopAndTheStatusFollowsTheLamp()
    {
        QCOMPARE(status(), QString("Stopped"));
        player("Play");
        QCOMPARE(status(), QString("Playing"));
        QVERIFY(form.backColour(ctl::lampSound) == app->state.strobe.lampOnColour.colour());
        player("PlayPause");
        QCOMPARE(status(), QString("Stopped"));
        player("PlayPause");
        QCOMPARE(status(), QString("Playing"));
        player("Pause");
        QCOMPARE(status(), QString("Stopped"));
        player("Play");
        player("Stop");
        QCOMPARE(status(), QString("Stopped"));
        // The window's own buttons are announced as well.
        announced.clear();
        form.click(ctl::cmdGenerate);
        QTRY_COMPARE(lastAnnounced("PlaybackStatus").toString(), QString("Playing"));
        form.click(ctl::cmdStop);
        QTRY_COMPARE(lastAnnounced("PlaybackStatus").toString(), QString("Stopped"));
        QVERIFY(dialogs.shown.empty());
    }

    // A scan plays with the sound lamp out; a lost output plays to nobody.
    void theStatusFollowsWhatIsHeard()
    {
        form.setText(ctl::txtSetFreq1, "160");
        form.setText(ctl::txtsetfreq2, "165");
        dialogs.answerInput("201");
        form.click(ctl::mnuCustomScanTime);
        form.click(ctl::cmdScanUp);
        announced.clear();
        form.click(ctl::cmdScanOn);
        QVERIFY(form.backColour(ctl::lampSound) != app->state.strobe.lampOnColour.colour());
        QCOMPARE(status(), QString("Playing"));
        QTRY_COMPARE(lastAnnounced("PlaybackStatus").toString(), QString("Playing"));
        bool heard = true;
        service->setOutputHeard([&heard] { return heard; });
        heard = false;
        service->soundChanged();
        QTRY_COMPARE(lastAnnounced("PlaybackStatus").toString(), QString("Stopped"));
        QCOMPARE(status(), QString("Stopped"));
        service->setOutputHeard({});
        form.click(ctl::cmdScanOff);
        QCOMPARE(status(), QString("Stopped"));
    }

    void titleNamesThePairAndTheBeatAndIsAnnounced()
    {
        announced.clear();
        form.setText(ctl::txtSetFreq1, "135");
        form.setText(ctl::txtsetfreq2, "145");
        QCOMPARE(title(), QString("135 / 145 Hz, 10 Hz beat"));
        QTRY_COMPARE(qdbus_cast<QVariantMap>(lastAnnounced("Metadata")).value("xesam:title").toString(), title());
        QVERIFY(!property("Metadata").isNull());
        QVERIFY(qdbus_cast<QVariantMap>(property("Metadata")).contains("mpris:trackid"));
    }

    void raisesAndNeverSkipsOrSeeks()
    {
        call("org.mpris.MediaPlayer2", "Raise");
        QCOMPARE(raised, 1);
        QCOMPARE(property("CanRaise", "org.mpris.MediaPlayer2").toBool(), true);
        for (const char* name : {"CanGoNext", "CanGoPrevious", "CanSeek"})
            QCOMPARE(property(name).toBool(), false);
        QCOMPARE(property("CanPlay").toBool(), true);
    }

    // A sequence has a name, a length and a position, and the client seeks it.
    void aSequenceIsNamedTimedAndSought()
    {
        sequence::Sequence s;
        s.name = "Descent";
        s.lengthSeconds = 120;
        s.voices = {{sequence::VoiceKind::binaural, sequence::Waveform::sine, {{0, 200, 10, 0.5}, {100, 200, 4, 0.5}}}};
        sequence::SequenceSession* session = sequence::sequenceSession(*app);
        QVERIFY(session);
        QVERIFY(session->play(s, 0));
        const auto advance = [this](double seconds) {
            std::vector<float> out(2 * MixerSoundSystem::kOfflineRate);
            for (double t = 0; t < seconds; t += 1)
                sound.render(out.data(), MixerSoundSystem::kOfflineRate);
        };
        advance(2);
        const QVariantMap meta = qdbus_cast<QVariantMap>(property("Metadata"));
        QCOMPARE(meta.value("xesam:title").toString(), QString("Descent"));
        QCOMPARE(meta.value("mpris:length").toLongLong(), 120'000'000LL);
        QCOMPARE(property("CanSeek").toBool(), true);
        QVERIFY(std::abs(property("Position").toLongLong() - 2'000'000LL) < 200'000);

        const QString track = meta.value("mpris:trackid").value<QDBusObjectPath>().path();
        call("org.mpris.MediaPlayer2.Player", "SetPosition",
             {QVariant::fromValue(QDBusObjectPath(track)), QVariant::fromValue(qlonglong(60'000'000))});
        advance(1);
        QVERIFY2(std::abs(property("Position").toLongLong() - 61'000'000LL) < 200'000,
                 qPrintable(QString::number(property("Position").toLongLong())));
        call("org.mpris.MediaPlayer2.Player", "Seek", {QVariant::fromValue(qlonglong(-30'000'000))});
        advance(1);
        QVERIFY(std::abs(property("Position").toLongLong() - 32'000'000LL) < 200'000);

        player("Stop");
        QCOMPARE(session->playing(), false);
        QCOMPARE(property("CanSeek").toBool(), false);
    }
};

QTEST_GUILESS_MAIN(MprisTest)
#include "MprisTest.moc"
