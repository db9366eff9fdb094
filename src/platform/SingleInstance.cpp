// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QThread>

#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

// Only a folder that is ours and shut to everyone else may hold the socket:
// in a shared one another user could be listening there first.
bool privateFolder(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

QString hashOf(const std::filesystem::path& folder)
{
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(folder, error);
    const QByteArray name = QFile::encodeName(QString::fromStdString((error ? folder : canonical).string()));
    return QString::fromLatin1(QCryptographicHash::hash(name, QCryptographicHash::Sha1).toHex().left(16));
}

bool fits(const QString& path) { return QFile::encodeName(path).size() <= kMaxSocketPath; }

// A variable of process pid's environment, where that process is the user's own.
std::optional<QByteArray> environmentOf(pid_t pid, std::string_view name)
{
    const std::string proc = "/proc/" + std::to_string(pid);
    struct stat st {};
    if (pid <= 0 || ::stat(proc.c_str(), &st) != 0 || st.st_uid != ::geteuid())
        return std::nullopt;
    std::ifstream environ(proc + "/environ", std::ios::binary);
    const std::string prefix = std::string(name) + "=";
    for (std::string entry; std::getline(environ, entry, '\0');)
        if (entry.starts_with(prefix))
            return QByteArray::fromStdString(entry.substr(prefix.size()));
    return QByteArray();
}

} // namespace

SingleInstance::SingleInstance(const std::filesystem::path& folder, QObject* parent)
    : QObject(parent), folder_(folder), lock_(folder), socketPath_(socketPath(folder))
{
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
    connect(&socketFolder_, &QFileSystemWatcher::directoryChanged, this, &SingleInstance::keepSocket);
    const QString inFolder = QString::fromStdString(folder_.string()) + "/";
    if (socketPath_.endsWith(".socket") && !socketPath_.startsWith(inFolder))
        pathLock_ = socketPath_.chopped(int(qstrlen(".socket"))) + ".lock";
}

SingleInstance::~SingleInstance()
{
    if (server_.isListening())
        server_.close();
    if (pathLockFd_ >= 0)
        ::close(pathLockFd_);
}

// The lock on the folder's path. Where it cannot be made (no private runtime
// folder) the folder's own lock is all there is.
SingleInstance::PathLock SingleInstance::lockPath()
{
    if (pathLockFd_ >= 0)
        return PathLock::held;
    if (pathLock_.isEmpty())
        return PathLock::none;
    const int fd = ::open(QFile::encodeName(pathLock_).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return PathLock::none;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        pathLockFd_ = fd;
        return PathLock::held;
    }
    const bool elsewhere = errno == EWOULDBLOCK;
    ::close(fd);
    return elsewhere ? PathLock::heldElsewhere : PathLock::none;
}

// Someone deleted our socket (or put a file in its place): make it again, so
// a later start is answered rather than told this copy does not answer.
void SingleInstance::keepSocket()
{
    if (!server_.isListening())
        return;
    struct stat st {};
    const QByteArray path = QFile::encodeName(socketPath_);
    if (::lstat(path.constData(), &st) == 0 && S_ISSOCK(st.st_mode))
        return;
    qCInfo(lcInstance) << "the socket was removed; listening again";
    server_.close();
    listen();
}

QString SingleInstance::socketPath(const std::filesystem::path& folder)
{
    return socketPath(folder, qgetenv("XDG_RUNTIME_DIR"), QDir::tempPath());
}

QString SingleInstance::socketPath(const std::filesystem::path& folder, const QByteArray& runtime,
                                   const QString& temporary)
{
    if (runtime.startsWith('/') && privateFolder(runtime)) {
        const QString inRuntime = QFile::decodeName(runtime) + "/aurelith-" + hashOf(folder) + ".socket";
        if (fits(inRuntime))
            return inRuntime;
    }
    const QString inFolder = QString::fromStdString((folder / "aurelith.socket").string());
    if (fits(inFolder))
        return inFolder;
    const QString own = temporary + QString("/aurelith-%1").arg(::geteuid());
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    const QString inOwn = own + "/" + hashOf(folder) + ".socket";
    return privateFolder(QFile::encodeName(own)) && fits(inOwn) ? inOwn : QString();
}

SingleInstance::Claim SingleInstance::claim()
{
    const QString folder = QString::fromStdString(folder_.string());
    const auto claimBoth = [this] {
        const PathLock path = lockPath();
        if (path == PathLock::heldElsewhere)
            return FolderLock::Result::heldElsewhere;
        return lock_.acquire();
    };
    switch (claimBoth()) {
    case FolderLock::Result::held: listen(); return Claim::run;
    case FolderLock::Result::failed:
        message_ =
            QString("Aurelith cannot lock its folder %1: %2.").arg(folder, QString::fromStdString(lock_.error()));
        return Claim::refused;
    case FolderLock::Result::heldElsewhere: break;
    }
    if (askRunningCopy())
        return Claim::raised;
    // The holder may have ended meanwhile.
    if (claimBoth() == FolderLock::Result::held) {
        listen();
        return Claim::run;
    }
    pid_t holder = FolderLock::holder(folder_);
    if (holder <= 0 && !pathLock_.isEmpty())
        holder = FolderLock::holder(pathLock_.toStdString());
    message_ = QString("Aurelith is already running on the folder %1%2, but it does not answer.\n"
                       "Switch to that copy, or end it, and start again.")
                   .arg(folder, holder > 0 ? QString(" (process %1)").arg(holder) : QString());
    return Claim::refused;
}

bool SingleInstance::holdFolder()
{
    const int before = lock_.generation();
    if (!lock_.ensure())
        return false;
    if (lock_.generation() != before) {
        // A socket in the folder went with it.
        server_.close();
        listen();
    }
    return true;
}

bool SingleInstance::askRunningCopy()
{
    const QDeadlineTimer deadline(kAskForMs);
    while (!deadline.hasExpired()) {
        QStringList sockets;
        if (!socketPath_.isEmpty())
            sockets << socketPath_;
        // A copy started under another runtime folder listens elsewhere: the
        // holder of the folder's lock has the runtime folder in its environment.
        pid_t holder = FolderLock::holder(folder_);
        if (holder <= 0 && !pathLock_.isEmpty())
            holder = FolderLock::holder(pathLock_.toStdString());
        if (const auto runtime = environmentOf(holder, "XDG_RUNTIME_DIR")) {
            // As QDir::tempPath() is in that process.
            const QByteArray tmp = environmentOf(holder, "TMPDIR").value_or(QByteArray());
            const QString temporary = tmp.startsWith('/') ? QDir::cleanPath(QFile::decodeName(tmp)) : "/tmp";
            const QString theirs = socketPath(folder_, *runtime, temporary);
            struct stat st {};
            if (!theirs.isEmpty() && !sockets.contains(theirs) &&
                ::lstat(QFile::encodeName(theirs).constData(), &st) == 0 && S_ISSOCK(st.st_mode) &&
                st.st_uid == ::geteuid())
                sockets << theirs;
        }
        for (const QString& path : sockets) {
            QLocalSocket socket;
            socket.connectToServer(path);
            if (!socket.waitForConnected(200))
                continue;
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
    if (socketPath_.isEmpty()) {
        qCWarning(lcInstance) << "no private folder for the socket: a second start cannot bring this window forward";
        return;
    }
    // We hold the lock, so a socket file left behind belongs to a copy that died.
    QLocalServer::removeServer(socketPath_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (server_.listen(socketPath_)) {
        qCInfo(lcInstance) << "listening on" << socketPath_;
        const QString socketFolder = QFileInfo(socketPath_).absolutePath();
        if (!socketFolder_.directories().contains(socketFolder))
            socketFolder_.addPath(socketFolder);
    } else
        qCWarning(lcInstance) << "cannot listen on" << socketPath_ << server_.errorString();
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
