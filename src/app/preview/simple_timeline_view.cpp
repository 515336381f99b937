#include "app/preview/simple_timeline_view.hpp"

#include "app/ui/palette.hpp"
#include "app/ui/shadow.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kestro {
SimpleTimelineView::SimpleTimelineView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(kHandleHeight + 2);
    setCursor(Qt::PointingHandCursor);
}

void SimpleTimelineView::setDuration(double seconds) {
    duration_ = seconds;
    update();
}
void SimpleTimelineView::setTrimStart(double seconds) {
    trimStart_ = seconds;
    update();
}
void SimpleTimelineView::setTrimEnd(double seconds) {
    trimEnd_ = seconds;
    update();
}
void SimpleTimelineView::setCurrentTime(double seconds) {
    currentTime_ = seconds;
    update();
}
void SimpleTimelineView::setThumbnails(std::vector<QImage> thumbnails) {
    thumbnails_ = std::move(thumbnails);
    update();
}

QRectF SimpleTimelineView::trackRect() const {
    return QRectF(kSideInset, (height() - kTrackHeight) / 2.0, std::max(width() - 2 * kSideInset, 0),
                  kTrackHeight);
}

qreal SimpleTimelineView::xForTime(double seconds) const {
    if (duration_ <= 0) return 0;
    return seconds / duration_ * trackRect().width();
}

double SimpleTimelineView::timeForX(qreal x) const {
    const qreal w = trackRect().width();
    const double f = w > 0 ? std::max(std::min(x / w, 1.0), 0.0) : 0.0;
    return duration_ * f;
}

SimpleTimelineView::Drag SimpleTimelineView::handleAt(qreal x) const {
    if (duration_ <= 0) return Drag::none;
    const qreal sx = xForTime(trimStart_);
    const qreal ex = xForTime(trimEnd_);
    // Each handle reaches outwards only: inside the range a press scrubs. When the two meet,
    // the side of the pointer decides, so the range can reopen.
    const bool onStart = x <= sx && x >= sx - kHandleReach;
    const bool onEnd = x >= ex && x <= ex + kHandleReach;
    if (onStart && onEnd) return x < sx ? Drag::startHandle : Drag::endHandle;
    if (onStart) return Drag::startHandle;
    if (onEnd) return Drag::endHandle;
    return Drag::none;
}

void SimpleTimelineView::scrubTo(qreal x) {
    if (duration_ <= 0) return;
    const double t = std::max(trimStart_, std::min(timeForX(x), trimEnd_));
    currentTime_ = t;
    update();
    emit currentTimeEdited(t);
    emit seekRequested(t, false);
}

void SimpleTimelineView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const qreal x = event->position().x() - kSideInset;
    pressX_ = x;
    handleActive_ = false;
    const Drag handle = handleAt(x);
    if (handle != Drag::none) {
        drag_ = handle;
        return;
    }
    drag_ = Drag::scrub;
    scrubTo(x);
}

void SimpleTimelineView::mouseMoveEvent(QMouseEvent* event) {
    const qreal x = event->position().x() - kSideInset;
    switch (drag_) {
        case Drag::none: return;
        case Drag::scrub: scrubTo(x); return;
        case Drag::startHandle:
        case Drag::endHandle: {
            if (!handleActive_ && std::abs(x - pressX_) < kHandleDragThreshold) return;
            handleActive_ = true;
            if (duration_ <= 0) return;
            const double t = timeForX(x);
            if (drag_ == Drag::startHandle) {
                trimStart_ = std::max(0.0, std::min(t, trimEnd_ - kMinimumRange));
                emit trimStartEdited(trimStart_);
            } else {
                trimEnd_ = std::max(std::min(t, duration_), trimStart_ + kMinimumRange);
                emit trimEndEdited(trimEnd_);
            }
            update();
            return;
        }
    }
}

void SimpleTimelineView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const Drag ended = drag_;
    drag_ = Drag::none;
    handleActive_ = false;
    if (ended == Drag::scrub) emit seekRequested(currentTime_, true);
}

// The pictures side by side, each cropped to its share of the track, and darkened outside the
// range so what is cut away reads as cut away.
void SimpleTimelineView::paintFilmstrip(QPainter& p, const QPainterPath& trackShape,
                                        const QRectF& track, qreal w) const {
    p.save();
    p.setClipPath(trackShape);
    const qreal cell = track.width() / qreal(thumbnails_.size());
    for (std::size_t i = 0; i < thumbnails_.size(); ++i) {
        const QImage& picture = thumbnails_[i];
        if (picture.isNull()) continue;
        const QRectF target(track.left() + cell * qreal(i), track.top(), cell, track.height());
        // Cropped to the cell's shape from the picture's centre, never stretched.
        const qreal scale = std::max(target.width() / picture.width(), target.height() / picture.height());
        const QSizeF shown(target.width() / scale, target.height() / scale);
        const QRectF source((picture.width() - shown.width()) / 2,
                            (picture.height() - shown.height()) / 2, shown.width(), shown.height());
        p.drawImage(target, picture, source);
    }
    const double d = duration_;
    const QColor dim(0, 0, 0, 150);
    p.fillRect(QRectF(track.left(), track.top(), trimStart_ / d * w, track.height()), dim);
    const qreal end = trimEnd_ / d * w;
    p.fillRect(QRectF(end, track.top(), track.right() - end, track.height()), dim);
    p.restore();
}

void SimpleTimelineView::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = trackRect();
    const double d = duration_;
    const qreal w = track.width();
    // Everything below is placed from the track's left edge.
    p.translate(kSideInset, 0);
    const QRectF trackLocal = track.translated(-kSideInset, 0);

    // Track.
    QPainterPath trackShape;
    trackShape.addRoundedRect(trackLocal.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    QLinearGradient trackFill(trackLocal.topLeft(), trackLocal.bottomLeft());
    trackFill.setColorAt(0, QColor(0, 0, 0, pal.dark ? 90 : 28));
    trackFill.setColorAt(1, QColor(0, 0, 0, pal.dark ? 130 : 46));
    p.fillPath(trackShape, trackFill);
    // Second-mark ticks give the empty track a sense of scale.
    if (d > 0) {
        const double step = d <= 20 ? 1 : d <= 120 ? 5 : d <= 600 ? 30 : 60;
        p.setPen(QPen(pal.dark ? QColor(255, 255, 255, 34) : QColor(0, 0, 0, 30), 1));
        for (double t = step; t < d; t += step) {
            const qreal x = std::round(t / d * w) + 0.5;
            p.drawLine(QPointF(x, trackLocal.bottom() - 10), QPointF(x, trackLocal.bottom() - 4));
        }
    }
    const bool strip = d > 0 && !thumbnails_.empty();
    if (strip) paintFilmstrip(p, trackShape, trackLocal, w);
    p.setPen(QPen(QColor(255, 255, 255, 26), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trackShape);

    // Selected range: over the filmstrip a frame around the pictures kept, else a filled bar.
    if (strip) {
        const QRectF range(trimStart_ / d * w, trackLocal.top() + 1, (trimEnd_ - trimStart_) / d * w,
                           trackLocal.height() - 2);
        if (range.width() > 0) {
            QPainterPath rangeShape;
            rangeShape.addRoundedRect(range.adjusted(1, 1, -1, -1), 6, 6);
            p.setPen(QPen(QColor(255, 159, 10), 3));
            p.setBrush(Qt::NoBrush);
            p.drawPath(rangeShape);
        }
    } else if (d > 0) {
        const QRectF range(trimStart_ / d * w, track.center().y() - 26, (trimEnd_ - trimStart_) / d * w, 52);
        if (range.width() > 0) {
            paintShadow(p, range, 6, {QColor(255, 140, 0, 102), 4, QPointF(0, 2)});
            QPainterPath rangeShape;
            rangeShape.addRoundedRect(range, 6, 6);
            QLinearGradient fill(range.topLeft(), range.topRight());
            fill.setColorAt(0, QColor(255, 149, 0, 230));
            fill.setColorAt(1, QColor(255, 204, 0, 204));
            p.fillPath(rangeShape, fill);
            QLinearGradient edge(range.topLeft(), range.bottomLeft());
            edge.setColorAt(0, QColor(255, 255, 255, 77));
            edge.setColorAt(1, QColor(255, 255, 255, 0));
            p.setPen(QPen(QBrush(edge), 1));
            p.drawPath(rangeShape);
        }
    }

    // Handles.
    const qreal handleTop = (height() - kHandleHeight) / 2.0;
    for (double t : {trimStart_, trimEnd_}) {
        const qreal x = d > 0 ? t / d * w - 3 : 0;
        const QRectF handle(x, handleTop, 6, kHandleHeight);
        paintShadow(p, handle, 3, {QColor(0, 0, 0, 102), 3, QPointF(0, 2)});
        QPainterPath shape;
        shape.addRoundedRect(handle, 3, 3);
        QLinearGradient fill(handle.topLeft(), handle.bottomLeft());
        fill.setColorAt(0, Qt::white);
        fill.setColorAt(1, QColor(128, 128, 128, 230));
        p.fillPath(shape, fill);
        p.setPen(QPen(QColor(255, 255, 255, 204), 1));
        p.drawPath(shape);
        // Grip lines.
        p.setPen(QPen(QColor(0, 0, 0, 60), 1));
        p.drawLine(QPointF(handle.center().x(), handle.center().y() - 7),
                   QPointF(handle.center().x(), handle.center().y() + 7));
    }

    // Playhead, always inside the trim range.
    const double shown = std::max(trimStart_, std::min(currentTime_, trimEnd_));
    const qreal px = d > 0 ? shown / d * w - 1.5 : 0;
    const QRectF head(px, (height() - 64) / 2.0, 3, 64);
    paintShadow(p, head, 1.5, {QColor(255, 59, 48, 153), 4, QPointF(0, 0)});
    QPainterPath headShape;
    headShape.addRoundedRect(head, 1.5, 1.5);
    QLinearGradient headFill(head.topLeft(), head.bottomLeft());
    headFill.setColorAt(0, QColor(255, 59, 48, 230));
    headFill.setColorAt(1, QColor(255, 59, 48));
    p.fillPath(headShape, headFill);
    p.setPen(QPen(QColor(255, 255, 255, 204), 0.5));
    p.drawPath(headShape);
}

}  // namespace kestro
