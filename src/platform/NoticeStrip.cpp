// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NoticeStrip.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace aurelith {

NoticeStrip::NoticeStrip(QWidget* area) : QFrame(area), label_(new QLabel(this))
{
    setObjectName("noticeStrip");
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0xFF, 0xF4, 0xC0));
    palette.setColor(QPalette::WindowText, Qt::black);
    setPalette(palette);
    setFocusPolicy(Qt::NoFocus);
    label_->setWordWrap(true);
    label_->setTextFormat(Qt::PlainText);
    label_->setFocusPolicy(Qt::NoFocus);
    auto* ok = new QPushButton("OK", this);
    ok->setFocusPolicy(Qt::NoFocus);
    connect(ok, &QPushButton::clicked, this, [this] {
        hide();
        label_->clear();
    });
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(label_, 1);
    layout->addWidget(ok, 0, Qt::AlignTop);
    setAccessibleName("Notice");
    hide();
}

void NoticeStrip::tell(const QString& title, const QString& text)
{
    const QString shown = title + ": " + text;
    label_->setText(label_->text().isEmpty() ? shown : label_->text() + "\n\n" + shown);
    fit();
    show();
    raise();
    // Screen readers hear it as an alert, as they would a box.
    label_->setAccessibleName(label_->text());
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

QString NoticeStrip::text() const { return isVisible() ? label_->text() : QString(); }

void NoticeStrip::fit()
{
    const QWidget* area = parentWidget();
    const int margin = 8;
    const int width = area->width() - 2 * margin;
    setGeometry(margin, margin, width, heightForWidth(width) > 0 ? heightForWidth(width) : sizeHint().height());
}

} // namespace aurelith
