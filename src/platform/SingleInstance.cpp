// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QThread>

#include <unistd.h>

namespace aurelith {
namespace {

Q_LOGGING_CATEGORY(lcInstance, "aurelith.instance", QtWarningMsg)

constexpr QByteArrayView kRequest = "raise\n";
constexpr QByteArrayView kReply = "ok\n";
// A copy that is starting up may hold the lock a moment before it listens.
constexpr int kAskForMs = 1500;
constexpr int kReplyWithinMs = 1000;
// sockaddr_un holds 108 bytes with the final zero.
constexpr qsizetype kMaxSocketPath = 100;

} // namespace

SingleInstance::SingleInstance(const std::filesystem::path& folder, QObject* parent)
    : QObject(parent), lock_(QString::fromStdString((folder / kLockFile).string())), socketPath_(socketPath(folder))
{
    // Never stale by age: a copy may run for days. A dead holder is detected by its pid.
    lock_.setStaleLockTime(0);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

SingleInstance::~SingleInstance()
{
    if (server_.isListening())
        server_.close();
}

QString SingleInstance::socketPath(const std::filesystem::path& folder)
{
    const QString inFolder = QString::fromStdString((folder / "aurelith.socket").string());
    if (inFolder.toLocal8Bit().size() <= kMaxSocketPath)
        return inFolder;
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(QString::fromStdString(folder.string())),
                                                     QCryptographicHash::Sha1)
                                .toHex()
                                .left(16);
    return QDir::tempPath() + QString("/aurelith-%1-%2.socket").arg(::getuid()).arg(QString::fromLatin1(hash));
}

bool SingleInstance::claim()
{
    if (lock_.tryLock(0)) {
        listen();
        return true;
    }
    // A folder that refuses the lock file leaves nothing to agree on: run.
    if (lock_.error() != QLockFile::LockFailedError)
        return true;
    if (askRunningCopy())
        return false;
    qCInfo(lcInstance) << "the copy holding" << lock_.fileName() << "does not answer: taking over";
    lock_.removeStaleLockFile();
    if (lock_.tryLock(0))
        listen();
    return true;
}

bool SingleInstance::askRunningCopy()
{
    const QDeadlineTimer deadline(kAskForMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(200)) {
            socket.write(kRequest.data(), kRequest.size());
            socket.flush();
            // Read until the reply is complete or the copy stops answering.
            QByteArray reply;
            while (reply.size() < kReply.size() && socket.waitForReadyRead(kReplyWithinMs))
                reply += socket.readAll();
            return reply.startsWith(kReply);
        }
        QThread::msleep(50);
    }
    return false;
}

void SingleInstance::listen()
{
    // We hold the lock, so a socket file left behind belongs to a copy that died.
    QLocalServer::removeServer(socketPath_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(socketPath_))
        qCInfo(lcInstance) << "cannot listen on" << socketPath_ << server_.errorString();
}

void SingleInstance::answer()
{
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine().trimmed() != kRequest.trimmed()) {
                socket->disconnectFromServer();
                return;
            }
            socket->write(kReply.data(), kReply.size());
            socket->flush();
            qCInfo(lcInstance) << "a second start asked for the window";
            if (raise_)
                raise_();
        });
    }
}

} // namespace aurelith
