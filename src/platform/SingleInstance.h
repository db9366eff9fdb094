// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/FolderLock.h"

#include <QFileSystemWatcher>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>

namespace aurelith {

// One copy of the program per data folder: two would overwrite each other's
// settings. The first copy locks the folder and listens on a local socket; a
// later start asks it to raise its window and ends. A copy that holds the lock
// but does not answer (stopped, hung) is never run beside: the later start
// names it and ends. Beside the folder's own lock (which follows the folder
// if it is renamed) a lock in the runtime folder keyed to the folder's path
// holds the path: a folder renamed, or deleted and made anew, cannot host a
// second copy. A socket that disappears is made again. A start under another
// runtime folder asks the copy that holds the folder's lock where that copy's
// environment puts its socket, if that is a socket of the user's own in a
// private folder.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const std::filesystem::path& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Claim { run, raised, refused };
    // run: this copy now holds the folder. raised: a running copy answered and
    // shows itself. refused: this copy must end; message() says why.
    Claim claim();
    const QString& message() const { return message_; }
    // Before every write: true when this copy holds the folder now at its
    // path (one deleted and made again is locked and listened on anew);
    // false when another copy took it.
    bool holdFolder();
    // Runs on this thread whenever a later start asks to be shown instead.
    void onRaiseRequest(std::function<void()> callback) { raise_ = std::move(callback); }

    // Where the copies meet: the desktop's runtime folder, else the data
    // folder, else a private folder of the user's under the temporary folder
    // (a data folder's path can be too long for a local socket). Empty when
    // none can be trusted.
    static QString socketPath(const std::filesystem::path& folder);
    // The same with the runtime and temporary folders given.
    static QString socketPath(const std::filesystem::path& folder, const QByteArray& runtime, const QString& temporary);

private:
    enum class PathLock { held, heldElsewhere, none };
    PathLock lockPath();
    bool askRunningCopy();
    void listen();
    void answer();
    void keepSocket();

    std::filesystem::path folder_;
    FolderLock lock_;
    QString socketPath_;
    QString pathLock_; // empty where the socket's folder moves with the data folder
    int pathLockFd_ = -1;
    QFileSystemWatcher socketFolder_;
    QString message_;
    QLocalServer server_;
    std::function<void()> raise_;
};

} // namespace aurelith
