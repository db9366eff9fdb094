// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>

namespace aurelith {

// One copy of the program per data folder: two would overwrite each other's
// levels at "Exit". The first copy holds a lock file in the folder and listens
// on a local socket; a later start asks it to raise its window and ends.
// A lock left by a copy that died, or whose holder no longer answers, is taken over.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kLockFile = "aurelith.lock";

    explicit SingleInstance(const std::filesystem::path& folder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this copy is to run (it now holds the folder); false when a
    // running copy answered and was asked to show itself.
    bool claim();
    // Runs on this thread whenever a later start asks to be shown instead.
    void onRaiseRequest(std::function<void()> callback) { raise_ = std::move(callback); }

    // Where the copies meet: in the folder, or under the temporary folder when
    // the folder's path is too long for a local socket.
    static QString socketPath(const std::filesystem::path& folder);

private:
    bool askRunningCopy();
    void listen();
    void answer();

    QLockFile lock_;
    QString socketPath_;
    QLocalServer server_;
    std::function<void()> raise_;
};

} // namespace aurelith
