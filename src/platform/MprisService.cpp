// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MprisService.h"

#include "core/Value.h"
#include "sequence/SequenceSession.h"
#include "tone/ChannelText.h"
#include "tone/Playback.h"
#include "ui/ControlNames.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <unistd.h>

namespace aurelith {

namespace {
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
// One session, always the same track.
constexpr const char* kTrackId = "/io/github/aurelith/Aurelith/session";

constexpr double kMicroseconds = 1e6;

QString shown(const std::string& text) { return QString::fromStdString(formatNumber(channelValue(text))); }
} // namespace

QString MprisRootAdaptor::identity() const { return QStringLiteral("Aurelith"); }
QString MprisRootAdaptor::desktopEntry() const { return QGuiApplication::desktopFileName(); }

MprisService::MprisService(App& app, std::function<void()> raise, QDBusConnection bus)
    : app_(app), raise_(std::move(raise)), bus_(std::move(bus))
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    lastStatus_ = playbackStatus();
    lastMetadata_ = metadata();
    app_.form.addObserver([this, alive = std::weak_ptr<bool>(alive_)](const Control& c, Property p) {
        if (!alive.expired())
            changed(c, p);
    });
    watchSound(app_, [this, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.expired())
            soundChanged();
    });
    if (!bus_.isConnected() || !bus_.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors))
        return;
    // A second copy (another data folder) takes an instance name, as MPRIS allows.
    for (const QString& name : {QString(kServiceName), QString("%1.instance%2").arg(kServiceName).arg(::getpid())})
        if (bus_.registerService(name)) {
            serviceName_ = name;
            return;
        }
    bus_.unregisterObject(kObjectPath);
}

MprisService::~MprisService()
{
    if (!serviceName_.isEmpty()) {
        bus_.unregisterService(serviceName_);
        bus_.unregisterObject(kObjectPath);
    }
}

// What is heard, not what a lamp shows: a scan plays with the sound lamp
// out, and a lost sound server leaves the buffers playing to nobody.
QString MprisService::playbackStatus() const
{
    bool playing = false;
    for (const auto& buffer : app_.state.tone.soundBuffers)
        playing = playing || (buffer && buffer->isPlaying());
    if (const sequence::SequenceSession* session = sequence::sequenceSession(app_))
        playing = playing || session->playing();
    playing = playing && (!outputHeard_ || outputHeard_());
    return playing ? QStringLiteral("Playing") : QStringLiteral("Stopped");
}

void MprisService::soundChanged()
{
    if (statusDue_)
        return;
    statusDue_ = true;
    QTimer::singleShot(0, this, [this] {
        statusDue_ = false;
        announceStatus();
    });
}

void MprisService::announceStatus()
{
    if (const QString status = playbackStatus(); status != lastStatus_) {
        lastStatus_ = status;
        announce({{"PlaybackStatus", status}});
    }
}

QString MprisService::title() const
{
    const Form& form = app_.form;
    return QString("%1 / %2 Hz, %3 Hz beat")
        .arg(shown(form.text(ctl::txtSetFreq1)), shown(form.text(ctl::txtsetfreq2)),
             QString::fromStdString(formatNumber(beatOf(form))));
}

QVariantMap MprisService::metadata() const
{
    if (const sequence::SequenceSession* session = sequence::sequenceSession(app_); session && session->sequence())
        return {{"mpris:trackid", QVariant::fromValue(QDBusObjectPath(kTrackId))},
                {"xesam:title", QString::fromStdString(session->sequence()->name)},
                {"mpris:length", static_cast<qlonglong>(session->length() * kMicroseconds)}};
    return {{"mpris:trackid", QVariant::fromValue(QDBusObjectPath(kTrackId))}, {"xesam:title", title()}};
}

bool MprisService::canSeek() const
{
    const sequence::SequenceSession* session = sequence::sequenceSession(app_);
    return session && session->playing();
}

qlonglong MprisService::position() const
{
    return canSeek() ? static_cast<qlonglong>(sequence::sequenceSession(app_)->position() * kMicroseconds) : 0;
}

void MprisService::seekBy(qlonglong offset) { setPosition(kTrackId, position() + offset); }

// As MPRIS asks: a position before the start seeks to it, one past the end
// ends the sequence, and another track's position is ignored.
void MprisService::setPosition(const QString& track, qlonglong position)
{
    sequence::SequenceSession* session = sequence::sequenceSession(app_);
    if (!canSeek() || app_.form.inModal() || track != QLatin1String(kTrackId))
        return;
    const double seconds = std::max<qlonglong>(position, 0) / kMicroseconds;
    if (seconds >= session->length()) {
        session->stop();
        return;
    }
    session->seek(seconds);
    emit seeked(static_cast<qlonglong>(seconds * kMicroseconds));
}

// A call that arrives while a box is open waits for nobody: the box's handler
// is still on the stack, so the call is dropped rather than run inside it.
void MprisService::play()
{
    if (!app_.form.inModal())
        app_.form.click(ctl::cmdGenerate); // "Start"
}

void MprisService::stop()
{
    if (!app_.form.inModal())
        app_.form.click(ctl::cmdStop); // "Stop"
}

void MprisService::playPause() { playbackStatus() == QLatin1String("Playing") ? stop() : play(); }

void MprisService::raise()
{
    if (raise_)
        raise_();
}

void MprisService::changed(const Control& c, Property property)
{
    QVariantMap properties;
    const bool sequenceNote = property == Property::Caption && c.name == ctl::tmrSequence;
    if (sequenceNote)
        soundChanged(); // a sequence started or ended
    if ((property == Property::Text && (c.name == ctl::txtSetFreq1 || c.name == ctl::txtsetfreq2)) || sequenceNote) {
        if (const QVariantMap now = metadata(); now != lastMetadata_) {
            lastMetadata_ = now;
            properties["Metadata"] = now;
        }
    }
    if (!properties.isEmpty())
        announce(properties);
}

void MprisService::announce(const QVariantMap& properties)
{
    if (serviceName_.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, "org.freedesktop.DBus.Properties",
                                                     "PropertiesChanged");
    signal << QString(kPlayerInterface) << properties << QStringList();
    bus_.send(signal);
}

} // namespace aurelith
