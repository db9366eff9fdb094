// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/QtDialogs.h"

#include <QColorDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace aurelith {

void QtDialogs::message(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    parent_);
    box.exec();
}

bool QtDialogs::confirm(const std::string& text, const std::string& title)
{
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::string> QtDialogs::input(const std::string& prompt, const std::string& title,
                                            const std::string& initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent_, QString::fromStdString(title), QString::fromStdString(prompt),
                                               QLineEdit::Normal, QString::fromStdString(initial), &ok);
    if (!ok)
        return std::nullopt;
    return text.toStdString();
}

std::optional<Colour> QtDialogs::pickColour(Colour initial)
{
    const QColor start(initial & 0xFF, (initial >> 8) & 0xFF, (initial >> 16) & 0xFF);
    const QColor picked = QColorDialog::getColor(start, parent_);
    if (!picked.isValid())
        return std::nullopt;
    return static_cast<Colour>(picked.red() | (picked.green() << 8) | (picked.blue() << 16));
}

} // namespace aurelith
