// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SequencePlot.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace aurelith {

using namespace sequence;

namespace {

constexpr double kMargin = 48;   // room for the value axis' labels
constexpr double kGrab = 7;      // how near a press must be to take a point
constexpr double kDragStart = 3; // a press moved less than this is a click

QString quantityName(SequencePlot::Quantity q)
{
    switch (q) {
    case SequencePlot::Quantity::beat: return QObject::tr("Beat (Hz)");
    case SequencePlot::Quantity::carrier: return QObject::tr("Carrier (Hz)");
    case SequencePlot::Quantity::level: return QObject::tr("Level (%)");
    }
    return {};
}

QString clockText(double seconds)
{
    const long long s = std::llround(seconds);
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

bool hasFrequencies(VoiceKind kind)
{
    return kind != VoiceKind::whiteNoise && kind != VoiceKind::pinkNoise && kind != VoiceKind::brownNoise &&
           kind != VoiceKind::mix;
}

// A colour per voice that reads on light and dark palettes alike.
QColor voiceColour(int voice, const QPalette& palette)
{
    const bool dark = palette.color(QPalette::Base).lightness() < 128;
    return QColor::fromHsv((voice * 67 + 200) % 360, 200, dark ? 255 : 180);
}

} // namespace

SequencePlot::SequencePlot(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 160);
    setAccessibleName(tr("Sequence plot"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void SequencePlot::setSequence(const Sequence& sequence)
{
    sequence_ = sequence;
    if (voice_ >= int(sequence_.voices.size()))
        voice_ = std::max(0, int(sequence_.voices.size()) - 1);
    const int count = sequence_.voices.empty() ? 0 : int(sequence_.voices[voice_].points.size());
    if (point_ >= count)
        point_ = count - 1;
    update();
}

void SequencePlot::setQuantities(std::vector<Quantity> quantities)
{
    quantities_ = std::move(quantities);
    update();
}

void SequencePlot::setEditable(bool editable) { editable_ = editable; }

void SequencePlot::setCurrent(int voice, int point)
{
    if (voice == voice_ && point == point_)
        return;
    voice_ = voice;
    point_ = point;
    describeCurrent();
    update();
}

void SequencePlot::setMarker(double seconds)
{
    marker_ = seconds;
    update();
}

void SequencePlot::setProblems(std::set<std::pair<int, int>> problems)
{
    problems_ = std::move(problems);
    update();
}

void SequencePlot::setView(double startSeconds, double spanSeconds)
{
    viewSpan_ = std::max(0.0, spanSeconds);
    viewStart_ = std::clamp(startSeconds, 0.0, std::max(0.0, totalSeconds() - (viewSpan_ > 0 ? viewSpan_ : 0)));
    update();
}

double SequencePlot::totalSeconds() const
{
    double end = sequence_.lengthSeconds;
    for (const Voice& v : sequence_.voices)
        if (!v.points.empty())
            end = std::max(end, v.points.back().seconds);
    return std::max(end, 10.0);
}

double SequencePlot::valueOf(const Point& point, Quantity quantity)
{
    switch (quantity) {
    case Quantity::beat: return point.beatHz;
    case Quantity::carrier: return point.carrierHz;
    case Quantity::level: return point.level * 100;
    }
    return 0;
}

void SequencePlot::setValue(Point& point, Quantity quantity, double value)
{
    switch (quantity) {
    case Quantity::beat: point.beatHz = value; break;
    case Quantity::carrier: point.carrierHz = value; break;
    case Quantity::level: point.level = std::clamp(value / 100, 0.0, 1.0); break;
    }
}

QRectF SequencePlot::paneRect(int pane) const
{
    const int panes = std::max<int>(1, int(quantities_.size()));
    const double h = (height() - 24.0) / panes; // 24: the time axis' labels
    return QRectF(kMargin, 8 + pane * h, std::max(1.0, width() - kMargin - 12), std::max(1.0, h - 12));
}

SequencePlot::Range SequencePlot::rangeOf(Quantity quantity) const
{
    if (frozen_ && quantities_.size() == 1)
        return *frozen_;
    double low = 0, high = quantity == Quantity::level ? 100 : 1;
    bool any = false;
    for (const Voice& v : sequence_.voices) {
        if (quantity != Quantity::level && !hasFrequencies(v.kind))
            continue;
        for (const Point& p : v.points) {
            const double value = valueOf(p, quantity);
            low = any ? std::min(low, value) : std::min(0.0, value);
            high = any ? std::max(high, value) : std::max(high, value);
            any = true;
        }
    }
    const double pad = std::max(1.0, (high - low) * 0.1);
    return {quantity == Quantity::level ? 0 : low - (low < 0 ? pad : 0), high + pad};
}

QPointF SequencePlot::placeOf(double seconds, double value) const
{
    const QRectF r = paneRect(0);
    const Range range = rangeOf(quantities_.empty() ? Quantity::beat : quantities_[0]);
    const double span = viewSpan_ > 0 ? viewSpan_ : totalSeconds();
    return {r.left() + (seconds - viewStart_) / span * r.width(),
            r.bottom() - (value - range.low) / (range.high - range.low) * r.height()};
}

std::pair<double, double> SequencePlot::valueAt(QPointF place) const
{
    const QRectF r = paneRect(0);
    const Range range = rangeOf(quantities_.empty() ? Quantity::beat : quantities_[0]);
    const double span = viewSpan_ > 0 ? viewSpan_ : totalSeconds();
    return {viewStart_ + (place.x() - r.left()) / r.width() * span,
            range.low + (r.bottom() - place.y()) / r.height() * (range.high - range.low)};
}

std::pair<double, double> SequencePlot::snapped(std::pair<double, double> value, bool free) const
{
    value.first = std::max(0.0, value.first);
    if (free)
        return {std::round(value.first * 1000) / 1000, std::round(value.second * 1000) / 1000};
    // Whole seconds; 0.1 Hz, or a whole per cent of level.
    const double step = !quantities_.empty() && quantities_[0] == Quantity::level ? 1 : 0.1;
    return {std::round(value.first), std::round(value.second / step) * step};
}

int SequencePlot::pointNear(QPointF place) const
{
    if (voice_ < 0 || voice_ >= int(sequence_.voices.size()) || quantities_.size() != 1)
        return -1;
    const auto& pts = sequence_.voices[voice_].points;
    int best = -1;
    double bestDistance = kGrab;
    for (size_t i = 0; i < pts.size(); ++i) {
        const QPointF at = placeOf(pts[i].seconds, valueOf(pts[i], quantities_[0]));
        const double d = std::hypot(at.x() - place.x(), at.y() - place.y());
        if (d <= bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

void SequencePlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool empty = std::all_of(sequence_.voices.begin(), sequence_.voices.end(),
                                   [](const Voice& v) { return v.points.empty(); });
    for (int pane = 0; pane < int(quantities_.size()); ++pane)
        drawPane(painter, pane);
    if (empty) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                         editable_ ? tr("Empty. Add a voice, then double-click here to add its points.")
                                   : tr("Nothing to show"));
    }
    // The time axis under the last pane.
    const QRectF last = paneRect(std::max(0, int(quantities_.size()) - 1));
    const double span = viewSpan_ > 0 ? viewSpan_ : totalSeconds();
    painter.setPen(palette().color(QPalette::Text));
    const double tick = span > 7200 ? 1800 : span > 1800 ? 300 : span > 600 ? 60 : span > 120 ? 30 : span > 30 ? 10 : 1;
    for (double t = std::ceil(viewStart_ / tick) * tick; t <= viewStart_ + span; t += tick) {
        const double x = last.left() + (t - viewStart_) / span * last.width();
        if (x > last.right() - 20 && t > viewStart_)
            break;
        painter.drawText(QRectF(x - 30, last.bottom() + 2, 60, 16), Qt::AlignHCenter, clockText(t));
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void SequencePlot::drawPane(QPainter& painter, int pane)
{
    const Quantity quantity = quantities_[pane];
    const QRectF r = paneRect(pane);
    const Range range = rangeOf(quantity);
    const double span = viewSpan_ > 0 ? viewSpan_ : totalSeconds();
    auto at = [&](double t, double value) {
        return QPointF(r.left() + (t - viewStart_) / span * r.width(),
                       r.bottom() - (value - range.low) / (range.high - range.low) * r.height());
    };
    const QColor text = palette().color(QPalette::Text);
    painter.setPen(QPen(palette().color(QPalette::Mid)));
    painter.drawRect(r);
    painter.setPen(text);
    painter.drawText(QRectF(0, r.top(), kMargin - 4, 16), Qt::AlignRight, QString::number(range.high, 'g', 4));
    painter.drawText(QRectF(0, r.bottom() - 16, kMargin - 4, 16), Qt::AlignRight, QString::number(range.low, 'g', 4));
    painter.drawText(r.adjusted(6, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop, quantityName(quantity));

    painter.save();
    painter.setClipRect(r.adjusted(-6, -6, 6, 6));
    const double end = totalSeconds();
    for (int v = 0; v < int(sequence_.voices.size()); ++v) {
        const Voice& voice = sequence_.voices[v];
        if (quantity != Quantity::level && !hasFrequencies(voice.kind))
            continue;
        std::vector<Point> pts = voice.points;
        if (editable_ && v == voice_ && dragged_ && point_ >= 0 && point_ < int(pts.size()))
            pts[point_] = *dragged_;
        const QColor colour = voiceColour(v, palette());
        const bool current = editable_ && v == voice_;
        QPainterPath path;
        for (size_t i = 0; i < pts.size(); ++i) {
            const double value = valueOf(pts[i], quantity);
            const QPointF here = at(pts[i].seconds, value);
            if (i == 0)
                path.moveTo(here);
            else
                path.lineTo(here);
            const double nextT = i + 1 < pts.size() ? pts[i + 1].seconds : end;
            if (i + 1 == pts.size() || pts[i].join == Join::step)
                path.lineTo(at(nextT, value)); // a hold is flat until the next point
        }
        painter.setPen(QPen(colour, current ? 2.5 : 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        for (size_t i = 0; i < pts.size(); ++i) {
            const QPointF here = at(pts[i].seconds, valueOf(pts[i], quantity));
            const bool selected = current && int(i) == point_;
            painter.setBrush(selected ? colour : palette().color(QPalette::Base));
            painter.setPen(QPen(colour, 1.5));
            painter.drawEllipse(here, selected ? 5.5 : 4, selected ? 5.5 : 4);
            if (problems_.count({v, int(i)})) {
                // Marked so it shows without colour too: a ring and a "!".
                painter.setPen(QPen(QColor(220, 30, 30), 2));
                painter.setBrush(Qt::NoBrush);
                painter.drawEllipse(here, 9, 9);
                painter.drawText(QRectF(here.x() + 8, here.y() - 22, 12, 16), Qt::AlignCenter, QStringLiteral("!"));
            }
        }
    }
    painter.restore();

    // The value while dragging, beside the point.
    if (dragged_ && pane == 0) {
        const QPointF here = at(dragged_->seconds, valueOf(*dragged_, quantity));
        const QString label = tr("%1 s, %2")
                                  .arg(QString::number(dragged_->seconds, 'f',
                                                       dragged_->seconds == std::round(dragged_->seconds) ? 0 : 3),
                                       quantity == Quantity::level
                                           ? tr("%1 %").arg(valueOf(*dragged_, quantity), 0, 'f', 0)
                                           : tr("%1 Hz").arg(valueOf(*dragged_, quantity), 0, 'g', 6));
        QRectF box(here.x() + 10, here.y() - 26, painter.fontMetrics().horizontalAdvance(label) + 10, 20);
        if (box.right() > width())
            box.moveRight(here.x() - 10);
        painter.setPen(palette().color(QPalette::ToolTipText));
        painter.setBrush(palette().color(QPalette::ToolTipBase));
        painter.drawRect(box);
        painter.drawText(box, Qt::AlignCenter, label);
    }
    // Where playback stands.
    const double mx = r.left() + (marker_ - viewStart_) / span * r.width();
    if (mx >= r.left() && mx <= r.right()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.drawLine(QPointF(mx, r.top()), QPointF(mx, r.bottom()));
    }
}

void SequencePlot::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    pressed_ = true;
    dragging_ = false;
    pressAt_ = event->position();
    const int near = editable_ ? pointNear(event->position()) : -1;
    if (near >= 0) {
        point_ = near;
        emit currentChanged(voice_, point_);
        describeCurrent();
        frozen_ = rangeOf(quantities_[0]);
        dragged_ = sequence_.voices[voice_].points[point_];
    }
    update();
}

void SequencePlot::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_ || !dragged_)
        return;
    if (!dragging_ && (event->position() - pressAt_).manhattanLength() < kDragStart)
        return;
    dragging_ = true;
    const auto& pts = sequence_.voices[voice_].points;
    // The drag moves the point by as much as the mouse moved, snapped.
    const auto from = valueAt(pressAt_);
    const auto to = valueAt(event->position());
    const Point& start = pts[point_];
    auto value = snapped(
        {start.seconds + to.first - from.first, valueOf(start, quantities_[0]) + to.second - from.second},
        event->modifiers() & Qt::ShiftModifier);
    // A point stays between its neighbours, so the order is kept.
    const double low = point_ > 0 ? pts[point_ - 1].seconds : 0;
    const double high = point_ + 1 < int(pts.size()) ? pts[point_ + 1].seconds : 1e9;
    value.first = std::clamp(value.first, low, high);
    Point moved = start;
    moved.seconds = value.first;
    setValue(moved, quantities_[0], value.second);
    dragged_ = moved;
    update();
}

void SequencePlot::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !pressed_)
        return;
    pressed_ = false;
    const std::optional<Point> moved = dragged_;
    const bool dragged = dragging_;
    dragged_.reset();
    frozen_.reset();
    dragging_ = false;
    if (dragged && moved)
        emit pointMoved(voice_, point_, *moved);
    else if (!moved) // a click on the plot itself moves the marker
        emit markerRequested(std::max(0.0, valueAt(event->position()).first));
    update();
}

void SequencePlot::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!editable_ || quantities_.size() != 1 || voice_ < 0 || voice_ >= int(sequence_.voices.size()))
        return;
    if (pointNear(event->position()) >= 0)
        return;
    const auto value = snapped(valueAt(event->position()), event->modifiers() & Qt::ShiftModifier);
    emit pointAddRequested(voice_, value.first, value.second);
}

void SequencePlot::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return;
    const double span = viewSpan_ > 0 ? viewSpan_ : totalSeconds();
    if (event->modifiers() & Qt::ControlModifier) {
        // Zoom about the time under the pointer.
        const double at = valueAt(event->position()).first;
        const double newSpan = std::clamp(span * std::pow(0.8, steps), 5.0, totalSeconds());
        const double fraction = (at - viewStart_) / span;
        setView(at - fraction * newSpan, newSpan >= totalSeconds() ? 0 : newSpan);
    } else {
        setView(viewStart_ - steps * span * 0.1, viewSpan_);
    }
    event->accept();
}

void SequencePlot::keyPressEvent(QKeyEvent* event)
{
    const int voices = int(sequence_.voices.size());
    const int count = voice_ < voices ? int(sequence_.voices[voice_].points.size()) : 0;
    const double span = viewSpan_ > 0 ? viewSpan_ : totalSeconds();
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (event->modifiers() & Qt::ShiftModifier) {
            setView(viewStart_ + (event->key() == Qt::Key_Left ? -0.1 : 0.1) * span, viewSpan_);
        } else if (count > 0) {
            point_ = std::clamp(point_ + (event->key() == Qt::Key_Left ? -1 : 1), 0, count - 1);
            emit currentChanged(voice_, point_);
            describeCurrent();
            update();
        }
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (voices > 0) {
            voice_ = std::clamp(voice_ + (event->key() == Qt::Key_Up ? -1 : 1), 0, voices - 1);
            point_ = sequence_.voices[voice_].points.empty() ? -1 : 0;
            emit currentChanged(voice_, point_);
            describeCurrent();
            update();
        }
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal: setView(viewStart_, std::max(5.0, span * 0.8)); return;
    case Qt::Key_Minus: setView(viewStart_, span * 1.25 >= totalSeconds() ? 0 : span * 1.25); return;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (editable_ && point_ >= 0 && point_ < count)
            emit pointRemoveRequested(voice_, point_);
        return;
    default: QWidget::keyPressEvent(event);
    }
}

void SequencePlot::resizeEvent(QResizeEvent* event) { QWidget::resizeEvent(event); }

// Walking the plot by keyboard: the screen reader hears the point reached.
void SequencePlot::describeCurrent()
{
    QString text;
    if (voice_ >= 0 && voice_ < int(sequence_.voices.size()) && point_ >= 0 &&
        point_ < int(sequence_.voices[voice_].points.size())) {
        const Point& p = sequence_.voices[voice_].points[point_];
        text = tr("Voice %1, point %2: %3 s, beat %4 Hz, carrier %5 Hz, level %6 %, %7")
                   .arg(voice_ + 1)
                   .arg(point_ + 1)
                   .arg(p.seconds)
                   .arg(p.beatHz)
                   .arg(p.carrierHz)
                   .arg(p.level * 100)
                   .arg(p.join == Join::slide ? tr("slides to the next") : tr("steps to the next"));
    }
    setAccessibleDescription(text);
    setToolTip(text);
    QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

} // namespace aurelith
