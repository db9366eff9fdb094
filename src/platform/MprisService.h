// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/App.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

namespace aurelith {

// Media keys and the desktop's sound menu: the MPRIS Root and Player
// interfaces on the session bus. Play is "Start", Pause and Stop are "Stop";
// the status follows what is heard (scans included), the title the two channel boxes. There is
// one endless session, which nothing skips or seeks; a sequence playing has a
// name, a length and a position, and seeks.
class MprisService : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.aurelith";

    MprisService(App& app, std::function<void()> raise, QDBusConnection bus = QDBusConnection::sessionBus());
    ~MprisService() override;

    // The bus name taken, empty when there is no bus.
    QString serviceName() const { return serviceName_; }

    QString playbackStatus() const;
    QVariantMap metadata() const;
    QString title() const;

    void play();
    void stop();
    void playPause();
    void raise();
    // A playing sequence has a length and a position, in microseconds, and
    // can be sought; the window's own session has none.
    bool canSeek() const;
    qlonglong position() const;
    void seekBy(qlonglong offset);
    void setPosition(const QString& track, qlonglong position);

    // Whether the sound output is there to hear what plays (set by the host;
    // without it, playing buffers count as heard).
    void setOutputHeard(std::function<bool()> heard) { outputHeard_ = std::move(heard); }
    // Looks again at what is heard, once the current event is done: a retune
    // stops and starts the tones, which must not be announced as a stop.
    void soundChanged();

signals:
    // After a seek, the new position (relayed as the player's Seeked).
    void seeked(qlonglong position);

private:
    void changed(const Control& c, Property property);
    void announceStatus();
    void announce(const QVariantMap& properties);

    App& app_;
    std::function<void()> raise_;
    QDBusConnection bus_;
    QString serviceName_;
    QString lastStatus_;
    std::function<bool()> outputHeard_;
    bool statusDue_ = false;
    QVariantMap lastMetadata_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)

public:
    explicit MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

    bool canQuit() const { return false; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const;
    QString desktopEntry() const;
    QStringList none() const { return {}; }

public slots:
    void Raise() { service_->raise(); }
    void Quit() {} // CanQuit is false: the window's own close saves the settings

private:
    MprisService* service_;
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ one)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ one)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ no)
    Q_PROPERTY(bool CanGoPrevious READ no)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ yes)

public:
    explicit MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), service_(service)
    {
        connect(service, &MprisService::seeked, this, &MprisPlayerAdaptor::Seeked);
    }

    QString playbackStatus() const { return service_->playbackStatus(); }
    QVariantMap metadata() const { return service_->metadata(); }
    double one() const { return 1.0; }
    qlonglong position() const { return service_->position(); }
    bool canSeek() const { return service_->canSeek(); }
    bool yes() const { return true; }
    bool no() const { return false; }

public slots:
    void Play() { service_->play(); }
    void Pause() { service_->stop(); }
    void Stop() { service_->stop(); }
    void PlayPause() { service_->playPause(); }
    void Next() {}
    void Previous() {}
    void Seek(qlonglong offset) { service_->seekBy(offset); }
    void SetPosition(const QDBusObjectPath& track, qlonglong position)
    {
        service_->setPosition(track.path(), position);
    }
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong position);

private:
    MprisService* service_;
};

} // namespace aurelith
