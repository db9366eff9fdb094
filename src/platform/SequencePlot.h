// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A sequence drawn over time: each voice's beat, carrier or level as points,
// slides as lines, steps as flat steps, and a playback marker. The Sequences
// window shows it read-only (beat above carrier); the editor lets its points
// be dragged (snapping to whole seconds and 0.1 Hz unless Shift is held),
// added with a double-click, removed with Delete and walked with the keyboard.
// It never changes the sequence itself: it asks through its signals, so every
// edit goes through the editor's undo stack.

#include "sequence/Sequence.h"

#include <QWidget>

#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace aurelith {

class SequencePlot : public QWidget {
    Q_OBJECT

public:
    enum class Quantity { beat, carrier, level };

    explicit SequencePlot(QWidget* parent = nullptr);

    // The sequence shown; the plot keeps a copy.
    void setSequence(const sequence::Sequence& sequence);
    // One pane per quantity, top to bottom; editing needs exactly one.
    void setQuantities(std::vector<Quantity> quantities);
    void setEditable(bool editable);
    void setCurrent(int voice, int point);
    int currentVoice() const { return voice_; }
    int currentPoint() const { return point_; }
    void setMarker(double seconds);
    double marker() const { return marker_; }
    // Points shown as faulty: (voice, point).
    void setProblems(std::set<std::pair<int, int>> problems);
    // The time axis shown.
    void setView(double startSeconds, double spanSeconds);
    double viewStart() const { return viewStart_; }
    double viewSpan() const { return viewSpan_; }

    // Where a point of the current pane is drawn, and what a place means.
    QPointF placeOf(double seconds, double value) const;
    std::pair<double, double> valueAt(QPointF place) const;
    static double valueOf(const sequence::Point& point, Quantity quantity);
    static void setValue(sequence::Point& point, Quantity quantity, double value);

signals:
    void pointMoved(int voice, int point, const sequence::Point& moved);
    void pointAddRequested(int voice, double seconds, double value);
    void pointRemoveRequested(int voice, int point);
    void currentChanged(int voice, int point);
    void markerRequested(double seconds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Range {
        double low = 0, high = 1;
    };
    QRectF paneRect(int pane) const;
    Range rangeOf(Quantity quantity) const;
    double totalSeconds() const;
    int pointNear(QPointF place) const;
    std::pair<double, double> snapped(std::pair<double, double> value, bool free) const;
    void describeCurrent();
    void drawPane(QPainter& painter, int pane);

    sequence::Sequence sequence_;
    std::vector<Quantity> quantities_{Quantity::beat};
    bool editable_ = false;
    int voice_ = 0;
    int point_ = -1;
    double marker_ = 0;
    std::set<std::pair<int, int>> problems_;
    double viewStart_ = 0;
    double viewSpan_ = 0; // 0: the whole sequence
    // A drag under way: the point as it would be, and the ranges frozen at its start.
    bool pressed_ = false;
    bool dragging_ = false;
    QPointF pressAt_;
    std::optional<sequence::Point> dragged_;
    std::optional<Range> frozen_;
};

} // namespace aurelith
