#include "app/ui/segmented_picker.hpp"

#include "app/ui/focus_ring.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/shadow.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numeric>

namespace kestro {
namespace {

constexpr qreal kTrackInset = 2;
constexpr qreal kSegmentPadding = 9;  // each side of a segment's text
constexpr int kHeight = 30;

QFont segmentFont(bool chosen) {
    return textFont(TextStyle::subheadline, chosen ? QFont::DemiBold : QFont::Medium);
}

}  // namespace

SegmentedPicker::SegmentedPicker(QStringList segments, QWidget* parent)
    : QWidget(parent), segments_(std::move(segments)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SegmentedPicker::setCurrentIndex(int index) {
    if (index < 0 || index >= segments_.size() || index == current_) return;
    current_ = index;
    update();
}

QString SegmentedPicker::currentText() const {
    return current_ >= 0 && current_ < segments_.size() ? segments_[current_] : QString();
}

std::vector<qreal> SegmentedPicker::segmentWidths(qreal available) const {
    // Measured in the chosen (heavier) weight so a segment never grows when it is picked.
    const QFontMetricsF fm(segmentFont(true));
    std::vector<qreal> widths;
    for (const QString& s : segments_)
        widths.push_back(fm.horizontalAdvance(s) + 2 * kSegmentPadding);
    const qreal needed = std::accumulate(widths.begin(), widths.end(), 0.0);
    if (!widths.empty() && available > needed) {
        const qreal extra = (available - needed) / qreal(widths.size());
        for (qreal& w : widths) w += extra;
    } else if (!widths.empty() && needed > 0) {
        for (qreal& w : widths) w *= available / needed;
    }
    return widths;
}

QRectF SegmentedPicker::segmentRect(int index) const {
    if (index < 0 || index >= segments_.size()) return {};
    const QRectF track =
        QRectF(rect()).adjusted(kTrackInset, kTrackInset, -kTrackInset, -kTrackInset);
    const std::vector<qreal> widths = segmentWidths(track.width());
    qreal x = track.left();
    for (int i = 0; i < index; ++i) x += widths[std::size_t(i)];
    return QRectF(x, track.top(), widths[std::size_t(index)], track.height());
}

int SegmentedPicker::segmentAt(QPointF point) const {
    for (int i = 0; i < segments_.size(); ++i)
        if (segmentRect(i).contains(point)) return i;
    return -1;
}

QSize SegmentedPicker::sizeHint() const {
    const QFontMetricsF fm(segmentFont(true));
    qreal w = 2 * kTrackInset;
    for (const QString& s : segments_) w += fm.horizontalAdvance(s) + 2 * kSegmentPadding;
    return QSize(int(std::ceil(w)), kHeight);
}

QSize SegmentedPicker::minimumSizeHint() const {
    const QFontMetricsF fm(segmentFont(true));
    qreal w = 2 * kTrackInset;
    for (const QString& s : segments_) w += fm.horizontalAdvance(s) + 8;
    return QSize(int(std::ceil(w)), kHeight);
}

void SegmentedPicker::choose(int index) {
    if (index < 0 || index >= segments_.size()) return;
    const bool changed = index != current_;
    current_ = index;
    update();
    if (changed) emit indexChosen(index);
}

void SegmentedPicker::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressed_ = segmentAt(event->position());
    update();
}

void SegmentedPicker::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    const int released = segmentAt(event->position());
    const int pressed = pressed_;
    pressed_ = -1;
    if (released >= 0 && released == pressed) choose(released);
    update();
}

void SegmentedPicker::mouseMoveEvent(QMouseEvent* event) {
    const int at = segmentAt(event->position());
    if (at != hovered_) {
        hovered_ = at;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void SegmentedPicker::leaveEvent(QEvent* event) {
    hovered_ = -1;
    update();
    QWidget::leaveEvent(event);
}

void SegmentedPicker::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Left && current_ > 0) return choose(current_ - 1);
    if (event->key() == Qt::Key_Right && current_ + 1 < segments_.size())
        return choose(current_ + 1);
    QWidget::keyPressEvent(event);
}

void SegmentedPicker::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange) update();
    QWidget::changeEvent(event);
}

void SegmentedPicker::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (!isEnabled()) p.setOpacity(0.5);

    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath track;
    track.addRoundedRect(outer, 9, 9);
    p.fillPath(track, pal.dark ? QColor(255, 255, 255, 16) : QColor(0x76, 0x76, 0x80, 30));

    // Hairline separators between unchosen neighbours, as a native control draws them.
    for (int i = 1; i < segments_.size(); ++i) {
        if (i == current_ || i - 1 == current_) continue;
        const QRectF r = segmentRect(i);
        p.setPen(QPen(pal.dark ? QColor(255, 255, 255, 26) : QColor(0, 0, 0, 26), 1));
        p.drawLine(QPointF(r.left(), r.top() + 7), QPointF(r.left(), r.bottom() - 7));
    }

    if (current_ >= 0 && current_ < segments_.size()) {
        const QRectF pill = segmentRect(current_);
        paintShadow(p, pill, 7, {QColor(0, 0, 0, pal.dark ? 70 : 30), 3, QPointF(0, 1)});
        QPainterPath shape;
        shape.addRoundedRect(pill, 7, 7);
        p.fillPath(shape, pal.dark ? QColor(0x5A, 0x5B, 0x61) : QColor(255, 255, 255));
        // A thin amber underline ties the choice to the brand without shouting.
        QColor accent = pal.accentTint;
        const QRectF bar(pill.center().x() - 8, pill.bottom() - 3.5, 16, 2);
        QPainterPath barShape;
        barShape.addRoundedRect(bar, 1, 1);
        p.fillPath(barShape, accent);
    }

    for (int i = 0; i < segments_.size(); ++i) {
        const QRectF r = segmentRect(i);
        const bool chosen = i == current_;
        if (!chosen && (i == hovered_ || i == pressed_) && isEnabled()) {
            QPainterPath hover;
            hover.addRoundedRect(r.adjusted(1, 1, -1, -1), 6, 6);
            p.fillPath(hover, pal.dark ? QColor(255, 255, 255, i == pressed_ ? 26 : 14)
                                       : QColor(0, 0, 0, i == pressed_ ? 18 : 9));
        }
        p.setFont(segmentFont(chosen));
        p.setPen(chosen ? pal.primaryText : pal.secondaryText);
        const QFontMetricsF fm(p.font());
        p.drawText(r.adjusted(0, -1, 0, -1), Qt::AlignCenter,
                   fm.elidedText(segments_[i], Qt::ElideRight, r.width() - 6));
    }

    if (showsFocusRing(*this)) paintFocusRing(p, outer.adjusted(2, 2, -2, -2), 6);
}

}  // namespace kestro
