#include "app/preview/zoom_lane_view.hpp"

#include "app/editor/editor_state.hpp"
#include "app/preview/simple_timeline_view.hpp"
#include "app/ui/palette.hpp"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

#include <cmath>

namespace kestro {

namespace {

constexpr int kSliderSteps = 100;  // slider units per 1x of scale

}  // namespace

ZoomLaneView::ZoomLaneView(EditorState& state, SimpleTimelineView& track, QWidget* parent)
    : QWidget(parent), state_(state), track_(track) {
    setObjectName(QStringLiteral("zoomLane"));
    setFocusPolicy(Qt::ClickFocus);
    setFixedHeight(kLaneHeight + 2);
    // The controls sit in the timeline's read-out row, so the lane costs the preview no room.
    controls_ = new QWidget(parent);
    auto* row = new QHBoxLayout(controls_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    scale_ = new QSlider(Qt::Horizontal, controls_);
    scale_->setObjectName(QStringLiteral("zoomScaleSlider"));
    scale_->setRange(static_cast<int>(kMinZoomScale * kSliderSteps),
                     static_cast<int>(kMaxZoomScale * kSliderSteps));
    scale_->setMinimumWidth(64);
    scale_->setMaximumWidth(120);
    scale_->setToolTip(tr("The selected zoom's scale"));
    scaleValue_ = new QLabel(controls_);
    scaleValue_->setMinimumWidth(36);
    delete_ = new QPushButton(QStringLiteral("\u2715"), controls_);
    delete_->setToolTip(tr("Delete the selected zoom (Delete)"));
    delete_->setAccessibleName(tr("Delete"));
    delete_->setObjectName(QStringLiteral("zoomDeleteButton"));
    onTaps_ = new QPushButton(tr("Zoom on Taps"), controls_);
    onTaps_->setObjectName(QStringLiteral("zoomOnTapsButton"));
    onTaps_->setToolTip(tr("Zoom segments that follow the recording's taps (replaces the lane)"));
    status_ = new QLabel(controls_);
    // The buttons keep their words whole; the slider gives way first.
    for (QPushButton* button : {delete_, onTaps_}) {
        button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + 24);
    }
    row->addWidget(scale_);
    row->addWidget(scaleValue_);
    row->addWidget(delete_);
    row->addWidget(status_);
    row->addWidget(onTaps_);

    CameraEditor& camera = state_.camera();
    connect(&camera, &CameraEditor::trackChanged, this, [this] {
        refreshControls();
        update();
    });
    connect(&camera, &CameraEditor::selectionChanged, this, [this] {
        refreshControls();
        update();
    });
    for (auto signal : {&PlaybackSession::durationChanged, &PlaybackSession::currentTimeChanged})
        connect(&state_.playback(), signal, this, qOverload<>(&QWidget::update));
    connect(scale_, &QSlider::sliderPressed, this, [this] { sliderDragging_ = true; });
    connect(scale_, &QSlider::sliderReleased, this, [this] {
        sliderDragging_ = false;
        state_.camera().finishDrag();
    });
    connect(scale_, &QSlider::valueChanged, this, [this](int value) {
        CameraEditor& camera = state_.camera();
        if (camera.selected() < 0) return;
        const double scale = static_cast<double>(value) / kSliderSteps;
        if (std::abs(camera.track()[static_cast<size_t>(camera.selected())].scale - scale) < 1e-9)
            return;
        camera.setScale(camera.selected(), scale, sliderDragging_);
    });
    connect(delete_, &QPushButton::clicked, this, &ZoomLaneView::deleteSelected);
    connect(onTaps_, &QPushButton::clicked, this, &ZoomLaneView::zoomOnTaps);
    refreshControls();
}

QSize ZoomLaneView::sizeHint() const {
    return {400, kLaneHeight + 2};
}

qreal ZoomLaneView::xForTime(double t) const {
    const QPointF origin = track_.mapTo(window(), QPointF(track_.trackRect().left(), 0));
    return mapFrom(window(), origin).x() + track_.xForTime(t);
}

double ZoomLaneView::timeForX(qreal x) const {
    const QPointF origin = track_.mapTo(window(), QPointF(track_.trackRect().left(), 0));
    return track_.timeForX(x - mapFrom(window(), origin).x());
}

QRectF ZoomLaneView::blockRect(int index) const {
    const CameraTrack& track = state_.camera().track();
    if (index < 0 || index >= static_cast<int>(track.size())) return {};
    const ZoomSegment& s = track[static_cast<size_t>(index)];
    const qreal x0 = xForTime(s.start);
    const qreal x1 = xForTime(s.end);
    return QRectF(x0, 2, std::max<qreal>(x1 - x0, 2), kLaneHeight - 4);
}

QString ZoomLaneView::statusText() const {
    return status_->text();
}

void ZoomLaneView::refreshControls() {
    const CameraEditor& camera = state_.camera();
    const int selected = camera.selected();
    const bool any = selected >= 0;
    scale_->setEnabled(any);
    delete_->setEnabled(any);
    const double scale = any ? camera.track()[static_cast<size_t>(selected)].scale : 2.0;
    {
        const QSignalBlocker block(scale_);
        scale_->setValue(static_cast<int>(std::lround(scale * kSliderSteps)));
    }
    scaleValue_->setText(any ? QString::number(scale, 'f', 1) + QStringLiteral("×") : QString());
}

void ZoomLaneView::addAtPlayhead() {
    if (state_.playback().duration() <= 0) return;
    if (!state_.camera().addAt(state_.playback().currentTime())) {
        status_->setText(tr("No room for a zoom at the playhead"));
    } else {
        status_->clear();
    }
}

void ZoomLaneView::deleteSelected() {
    state_.camera().remove(state_.camera().selected());
}

void ZoomLaneView::zoomOnTaps() {
    const PlayerHandle* player = state_.playback().player();
    if (state_.touchTrack().empty() || !player) {
        status_->setText(tr("This recording has no touches"));
        return;
    }
    const QSize size = player->videoSize();
    if (!state_.camera().zoomOnTaps(state_.touchTrack(),
                                    VideoSize{double(size.width()), double(size.height())})) {
        status_->setText(tr("No taps worth a zoom"));
        return;
    }
    status_->clear();
}

void ZoomLaneView::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal left = xForTime(0);
    const qreal right = xForTime(state_.playback().duration());
    const QRectF lane(left, 0, std::max<qreal>(right - left, 0), kLaneHeight);
    p.setPen(Qt::NoPen);
    p.setBrush(palette.controlColor);
    p.drawRoundedRect(lane, 6, 6);
    const CameraTrack& track = state_.camera().track();
    const int selected = state_.camera().selected();
    QFont font = p.font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    p.setFont(font);
    for (int i = 0; i < static_cast<int>(track.size()); ++i) {
        const QRectF block = blockRect(i);
        const bool isSelected = i == selected;
        QColor fill = palette.accentFill;
        fill.setAlphaF(isSelected ? 0.95f : 0.55f);
        p.setBrush(fill);
        p.setPen(isSelected ? QPen(palette.primaryText, 1.5) : Qt::NoPen);
        p.drawRoundedRect(block, 5, 5);
        // The ends, to take with the pointer.
        p.setPen(QPen(palette.brandBlack, 2));
        for (qreal x : {block.left() + 3, block.right() - 3})
            p.drawLine(QPointF(x, block.top() + 5), QPointF(x, block.bottom() - 5));
        p.setPen(palette.brandBlack);
        const QString label =
            QString::number(track[static_cast<size_t>(i)].scale, 'f', 1) + QStringLiteral("×");
        if (block.width() > 40) p.drawText(block, Qt::AlignCenter, label);
    }
    // The playhead, as on the track above.
    const qreal x = xForTime(state_.playback().currentTime());
    p.setPen(QPen(palette.primaryText, 1));
    p.drawLine(QPointF(x, 0), QPointF(x, kLaneHeight));
}

void ZoomLaneView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    CameraEditor& camera = state_.camera();
    const QPointF at = event->position();
    drag_ = Drag::none;
    dragIndex_ = -1;
    for (int i = 0; i < static_cast<int>(camera.track().size()); ++i) {
        const QRectF block = blockRect(i);
        if (at.x() < block.left() - kEndReach || at.x() > block.right() + kEndReach) continue;
        dragIndex_ = i;
        if (std::abs(at.x() - block.left()) <= kEndReach) {
            drag_ = Drag::start;
        } else if (std::abs(at.x() - block.right()) <= kEndReach) {
            drag_ = Drag::end;
        } else {
            drag_ = Drag::body;
            grabOffset_ = timeForX(at.x()) - camera.track()[static_cast<size_t>(i)].start;
        }
        break;
    }
    camera.select(dragIndex_);
}

void ZoomLaneView::mouseMoveEvent(QMouseEvent* event) {
    if (drag_ == Drag::none) {
        // Show where an end can be taken.
        bool nearEnd = false;
        for (int i = 0; i < static_cast<int>(state_.camera().track().size()); ++i) {
            const QRectF b = blockRect(i);
            const qreal x = event->position().x();
            nearEnd = nearEnd || std::abs(x - b.left()) <= kEndReach ||
                      std::abs(x - b.right()) <= kEndReach;
        }
        setCursor(nearEnd && event->position().y() <= kLaneHeight ? Qt::SizeHorCursor
                                                                  : Qt::ArrowCursor);
        return;
    }
    CameraEditor& camera = state_.camera();
    if (dragIndex_ < 0 || dragIndex_ >= static_cast<int>(camera.track().size())) return;
    const ZoomSegment& s = camera.track()[static_cast<size_t>(dragIndex_)];
    const double t = timeForX(event->position().x());
    switch (drag_) {
        case Drag::start:
            camera.setTiming(dragIndex_, t, s.end, true);
            break;
        case Drag::end:
            camera.setTiming(dragIndex_, s.start, t, true);
            break;
        case Drag::body: {
            const double length = s.end - s.start;
            camera.setTiming(dragIndex_, t - grabOffset_, t - grabOffset_ + length, true);
            break;
        }
        case Drag::none:
            break;
    }
}

void ZoomLaneView::mouseReleaseEvent(QMouseEvent* event) {
    if (drag_ != Drag::none) state_.camera().finishDrag();
    drag_ = Drag::none;
    QWidget::mouseReleaseEvent(event);
}

void ZoomLaneView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        deleteSelected();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace kestro
