// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DesktopDialogs.h"

#include "platform/NoticeStrip.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

namespace aurelith {

bool DesktopDialogs::askToFlash(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::NoButton, window_);
    QPushButton* flash = box.addButton("Flash", QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == flash;
}

void DesktopDialogs::notice(const std::string& text, const std::string& title)
{
    auto* main = qobject_cast<QMainWindow*>(window_);
    QWidget* area = main ? main->centralWidget() : window_;
    if (!area)
        return;
    if (!strip_)
        strip_ = new NoticeStrip(area);
    strip_->tell(QString::fromStdString(title), QString::fromStdString(text));
}

} // namespace aurelith
