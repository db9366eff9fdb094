// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

#include <functional>

namespace aurelith {

// A text box that only ever shows a colour: the strobe's flash surface and the
// lamps. It paints itself, so a colour change is a fill and nothing else: no style
// sheet to re-polish, no layout pass.
class ColourBox : public QWidget {
    Q_OBJECT

public:
    ColourBox(QWidget* parent, bool framed);

    QColor colour() const { return colour_; }
    // Paints the new colour before returning, so no other queued work can delay it.
    void showColour(const QColor& colour);
    // Told every new colour first; when it answers true the colour was shown
    // another way (presented over the box) and the box does not paint.
    void setPresenter(std::function<bool(const QColor&)> present) { present_ = std::move(present); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_{Qt::white};
    bool framed_;
    std::function<bool(const QColor&)> present_;
};

} // namespace aurelith
