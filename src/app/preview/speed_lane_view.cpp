#include "app/preview/speed_lane_view.hpp"

#include "app/editor/speed_track_state.hpp"
#include "app/preview/simple_timeline_view.hpp"
#include "app/ui/palette.hpp"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

// The factors offered on a block's menu: the common slow-downs and speed-ups.
constexpr double kMenuFactors[] = {0.25, 0.5, 1.5, 2, 4, 8, 16};

QString factorText(double factor) {
    return QString::number(factor, 'g', 3) + QChar(0x00D7);
}

}  // namespace

SpeedLaneView::SpeedLaneView(SpeedTrackState& track, QWidget* parent)
    : QWidget(parent), track_(track) {
    setObjectName(QStringLiteral("speedLane"));
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    setToolTip(
        tr("Speed: double-click to speed up a stretch, drag to move or retime it, "
           "right-click for its speed"));
    connect(&track_, &SpeedTrackState::changed, this, [this] {
        if (selected_ >= int(track_.segments().size())) selected_ = -1;
        update();
    });
}

QSize SpeedLaneView::sizeHint() const {
    return {400, kLaneHeight + 4};
}

QSize SpeedLaneView::minimumSizeHint() const {
    return {100, kLaneHeight + 4};
}

void SpeedLaneView::setDuration(double seconds) {
    duration_ = std::isfinite(seconds) && seconds > 0 ? seconds : 0;
    update();
}

void SpeedLaneView::setSelectedIndex(int index) {
    selected_ = index >= 0 && index < int(track_.segments().size()) ? index : -1;
    update();
}

QRectF SpeedLaneView::laneRect() const {
    const int inset = SimpleTimelineView::kSideInset;
    return QRectF(inset, (height() - kLaneHeight) / 2.0, std::max(width() - 2 * inset, 0),
                  kLaneHeight);
}

qreal SpeedLaneView::xForTime(double seconds) const {
    const QRectF lane = laneRect();
    if (duration_ <= 0) return lane.left();
    return lane.left() + seconds / duration_ * lane.width();
}

double SpeedLaneView::timeForX(qreal x) const {
    const QRectF lane = laneRect();
    if (duration_ <= 0 || lane.width() <= 0) return 0;
    return std::clamp((x - lane.left()) / lane.width(), 0.0, 1.0) * duration_;
}

int SpeedLaneView::blockAt(qreal x, Grip* grip) const {
    const SpeedTrack& segments = track_.segments();
    for (size_t i = 0; i < segments.size(); ++i) {
        const qreal left = xForTime(segments[i].start);
        const qreal right = xForTime(segments[i].end);
        if (x < left - kEdgeReach || x > right + kEdgeReach) continue;
        if (grip) {
            // A narrow block is all body in its middle third, so it can still be moved.
            const qreal reach = std::min(kEdgeReach, (right - left) / 3);
            *grip = x <= left + reach    ? Grip::startEdge
                    : x >= right - reach ? Grip::endEdge
                                         : Grip::body;
        }
        return int(i);
    }
    return -1;
}

std::pair<double, double> SpeedLaneView::freeAround(int index) const {
    const SpeedTrack& segments = track_.segments();
    double from = 0;
    double to = duration_;
    const SpeedSegment& self = segments[size_t(index)];
    for (size_t i = 0; i < segments.size(); ++i) {
        if (int(i) == index) continue;
        if (segments[i].end <= self.start) from = std::max(from, segments[i].end);
        if (segments[i].start >= self.end) to = std::min(to, segments[i].start);
    }
    return {from, to};
}

std::optional<std::pair<double, double>> SpeedLaneView::roomAt(double seconds) const {
    if (duration_ <= 0 || track_.segmentAt(seconds) >= 0) return std::nullopt;
    double end = std::min(duration_, seconds + kNewSegmentSeconds);
    for (const SpeedSegment& s : track_.segments()) {
        if (s.start >= seconds) end = std::min(end, s.start);
    }
    if (end - seconds < kShortestSegment) return std::nullopt;
    return std::pair{seconds, end};
}

void SpeedLaneView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Palette& pal = Palette::current();
    const QRectF lane = laneRect();
    QColor groove = pal.hairline;
    groove.setAlphaF(std::min(1.0, groove.alphaF() * 0.6));
    p.setPen(Qt::NoPen);
    p.setBrush(groove);
    p.drawRoundedRect(lane, 6, 6);

    const SpeedTrack& segments = track_.segments();
    p.setFont(textFont(TextStyle::caption, QFont::DemiBold));
    if (segments.empty() && !drag_) {
        p.setPen(pal.secondaryText);
        p.drawText(lane.adjusted(10, 0, -10, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   tr("Speed \u2014 double-click to speed up a stretch"));
        return;
    }
    for (size_t i = 0; i < segments.size(); ++i) {
        double start = segments[i].start;
        double end = segments[i].end;
        if (drag_ && drag_->index == int(i)) {
            start = drag_->start;
            end = drag_->end;
        }
        const QRectF block(xForTime(start), lane.top() + 2,
                           std::max(xForTime(end) - xForTime(start), 3.0), lane.height() - 4);
        // Faster than real time in the brand's amber, slower in blue.
        QColor fill = segments[i].factor >= 1 ? pal.accentFill : pal.systemBlue;
        fill.setAlphaF(int(i) == selected_ ? 0.95 : 0.7);
        p.setPen(int(i) == selected_ ? QPen(pal.primaryText, 1.5) : Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(block, 5, 5);
        p.setPen(pal.brandBlack);
        const QString label = factorText(segments[i].factor);
        if (p.fontMetrics().horizontalAdvance(label) + 6 < block.width()) {
            p.drawText(block, Qt::AlignCenter, label);
        }
    }
}

void SpeedLaneView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    Grip grip = Grip::body;
    const int index = blockAt(event->position().x(), &grip);
    setSelectedIndex(index);
    if (index < 0) return;
    const SpeedSegment& s = track_.segments()[size_t(index)];
    drag_ = Drag{index, grip, timeForX(event->position().x()), s.start, s.end, false};
}

void SpeedLaneView::mouseMoveEvent(QMouseEvent* event) {
    const qreal x = event->position().x();
    if (!drag_) {
        Grip grip = Grip::body;
        const int index = blockAt(x, &grip);
        setCursor(index < 0            ? Qt::ArrowCursor
                  : grip == Grip::body ? Qt::OpenHandCursor
                                       : Qt::SizeHorCursor);
        return;
    }
    const SpeedSegment& s = track_.segments()[size_t(drag_->index)];
    const auto [from, to] = freeAround(drag_->index);
    const double t = timeForX(x);
    switch (drag_->grip) {
        case Grip::body: {
            const double length = s.end - s.start;
            const double start = std::clamp(s.start + (t - drag_->pressTime), from, to - length);
            drag_->start = start;
            drag_->end = start + length;
            break;
        }
        case Grip::startEdge:
            drag_->start = std::clamp(t, from, s.end - kShortestSegment);
            break;
        case Grip::endEdge:
            drag_->end = std::clamp(t, s.start + kShortestSegment, to);
            break;
    }
    drag_->moved = true;
    update();
}

void SpeedLaneView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !drag_) return QWidget::mouseReleaseEvent(event);
    const Drag done = *drag_;
    drag_.reset();
    // One undo step for the whole drag.
    if (done.moved) track_.retime(done.index, done.start, done.end);
    update();
}

void SpeedLaneView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const double t = timeForX(event->position().x());
    const int index = track_.segmentAt(t);
    if (index >= 0) {
        showFactorMenu(index, event->globalPosition().toPoint());
        return;
    }
    if (const auto room = roomAt(t)) {
        if (track_.add({room->first, room->second, kNewSegmentFactor})) {
            setSelectedIndex(track_.segmentAt(room->first));
        }
    }
}

void SpeedLaneView::showFactorMenu(int index, const QPoint& globalPos) {
    QMenu menu(this);
    const double current = track_.segments()[size_t(index)].factor;
    for (const double factor : kMenuFactors) {
        QAction* action = menu.addAction(factorText(factor));
        action->setCheckable(true);
        action->setChecked(factor == current);
        connect(action, &QAction::triggered, this,
                [this, index, factor] { track_.setFactor(index, factor); });
    }
    menu.addSeparator();
    connect(menu.addAction(tr("Delete")), &QAction::triggered, this,
            [this, index] { track_.remove(index); });
    menu.exec(globalPos);
}

void SpeedLaneView::contextMenuEvent(QContextMenuEvent* event) {
    const int index = blockAt(event->pos().x());
    if (index < 0) {
        if (duration_ <= 0) return;
        QMenu menu(this);
        const double seconds = SpeedTrackState::kDefaultWaitSeconds;
        connect(menu.addAction(tr("Shorten Waits to %1 s").arg(seconds)), &QAction::triggered, this,
                [this, seconds] { emit shortenWaitsRequested(seconds); });
        menu.exec(event->globalPos());
        return;
    }
    setSelectedIndex(index);
    showFactorMenu(index, event->globalPos());
}

void SpeedLaneView::keyPressEvent(QKeyEvent* event) {
    if (selected_ < 0) return QWidget::keyPressEvent(event);
    const double factor = track_.segments()[size_t(selected_)].factor;
    switch (event->key()) {
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            track_.remove(selected_);
            return;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            track_.setFactor(selected_, std::min(kMaxSpeedFactor, factor * 2));
            return;
        case Qt::Key_Minus:
            track_.setFactor(selected_, std::max(kMinSpeedFactor, factor / 2));
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace kestro
