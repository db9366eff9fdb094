// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DesktopDialogs.h"

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

} // namespace aurelith
