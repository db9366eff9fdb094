// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtLauncher.h"

#include <QDesktopServices>
#include <QLocale>
#include <QProcess>
#include <QStringList>
#include <QTime>
#include <QUrl>

namespace aurelith {

bool QtLauncher::start(const std::string& program, const std::vector<std::string>& arguments,
                       const std::filesystem::path& workingFolder)
{
    if (program.empty())
        return false;
    QStringList args;
    for (const std::string& a : arguments)
        args << QString::fromStdString(a);
    // Detached: the program outlives us and we never wait for it.
    return QProcess::startDetached(QString::fromStdString(program), args,
                                   QString::fromStdString(workingFolder.string()));
}

bool QtLauncher::open(const std::filesystem::path& document)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(document.string())));
}

std::string QtTimeOfDay::now() const
{
    return QLocale::system().toString(QTime::currentTime(), QLocale::ShortFormat).toStdString();
}

} // namespace aurelith
