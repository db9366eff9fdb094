// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>

class QLabel;

namespace aurelith {

// A notice inside the window, over the top of its client area: it takes no
// focus and holds nothing up, so the strobe keeps flashing and Esc, the
// window's own shortcut, still stops it. "OK" puts it away; a notice that
// comes while one is shown is added below it.
class NoticeStrip : public QFrame {
    Q_OBJECT

public:
    explicit NoticeStrip(QWidget* area);

    void tell(const QString& title, const QString& text);
    QString text() const;

private:
    void fit();

    QLabel* label_;
};

} // namespace aurelith
