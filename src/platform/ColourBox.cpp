// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ColourBox.h"

#include <QPaintEvent>
#include <QPainter>

namespace aurelith {

ColourBox::ColourBox(QWidget* parent, bool framed) : QWidget(parent), framed_(framed)
{
    // Every pixel is painted each time: Qt need not clear or blend what lies behind.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void ColourBox::showColour(const QColor& colour)
{
    if (colour == colour_)
        return;
    colour_ = colour;
    if (present_ && present_(colour))
        return;
    repaint();
}

void ColourBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), colour_);
    if (framed_) {
        painter.setPen(QColor(0x80, 0x80, 0x80));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

} // namespace aurelith
