#include "app/preview/caption_lane.hpp"

#include "app/editor/editor_state.hpp"
#include "app/preview/simple_timeline_view.hpp"
#include "app/ui/palette.hpp"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestro {

namespace {

QString shownText(const std::string& text) {
    return QString::fromStdString(text).replace(QLatin1Char('\n'), CaptionLane::kLineBreakMark);
}

QString storedText(QString text) {
    return text.replace(CaptionLane::kLineBreakMark, QLatin1Char('\n'));
}

}  // namespace

CaptionLane::CaptionLane(EditorState& state, SimpleTimelineView& track, QWidget* parent)
    : QWidget(parent), state_(state), track_(track) {
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    setToolTip(QStringLiteral("Captions: double-click a caption to edit its text, drag its ends "
                              "to change when it shows"));
    connect(&state_.story(), &StoryTrack::changed, this, &CaptionLane::storyChanged);
    for (auto signal : {&PlaybackSession::durationChanged, &PlaybackSession::trimStartChanged,
                        &PlaybackSession::trimEndChanged})
        connect(&state_.playback(), signal, this, qOverload<>(&QWidget::update));
    connect(&state_.speedTrack(), &SpeedTrackState::changed, this, qOverload<>(&QWidget::update));
}

void CaptionLane::storyChanged() {
    // An undo may take away the caption being shown or edited.
    if (selected_ && *selected_ >= state_.story().captionCount()) select(std::nullopt);
    if (editing_ >= state_.story().captionCount()) closeEditor();
    drag_ = Drag::none;
    update();
}

void CaptionLane::select(std::optional<int> index) {
    if (index && (*index < 0 || *index >= state_.story().captionCount())) index.reset();
    if (index == selected_) return;
    selected_ = index;
    update();
    emit selectionChanged(selected_);
}

qreal CaptionLane::xForOutputTime(double seconds) const {
    const QPointF trackX(track_.trackRect().x() + track_.xForTime(state_.recordingTimeAt(seconds)), 0);
    return mapFrom(window(), track_.mapTo(window(), trackX)).x();
}

double CaptionLane::outputTimeForX(qreal x) const {
    const QPointF inTrack = track_.mapFrom(window(), mapTo(window(), QPointF(x, 0)));
    // Unclamped, so a drag can be worked out from two points; the story keeps the result inside.
    const qreal w = track_.trackRect().width();
    if (w <= 0 || state_.playback().duration() <= 0) return 0;
    const double recording =
        (inTrack.x() - track_.trackRect().x()) / w * state_.playback().duration();
    // Inside the range through the speed changes; outside it, at real time from its ends.
    if (recording < state_.playback().trimStart()) return recording - state_.playback().trimStart();
    if (recording > state_.playback().trimEnd())
        return state_.outputTimeAt(state_.playback().trimEnd()) + recording -
               state_.playback().trimEnd();
    return state_.outputTimeAt(recording);
}

// Captions that show at the same time share the lane's height in rows, each taking the first row
// no earlier overlapping caption holds, so none hides another.
std::pair<int, int> CaptionLane::rowOf(int index) const {
    const StoryTrack& story = state_.story();
    std::vector<int> rows(std::size_t(story.captionCount()), 0);
    int count = 1;
    for (int i = 0; i < story.captionCount(); ++i) {
        std::vector<bool> taken;
        for (int j = 0; j < i; ++j) {
            const Caption &a = story.caption(i), &b = story.caption(j);
            if (!(a.start < b.end && b.start < a.end)) continue;
            const auto row = std::size_t(rows[std::size_t(j)]);
            if (taken.size() <= row) taken.resize(row + 1, false);
            taken[row] = true;
        }
        rows[std::size_t(i)] = int(std::find(taken.begin(), taken.end(), false) - taken.begin());
        count = std::max(count, rows[std::size_t(i)] + 1);
    }
    return {rows[std::size_t(index)], count};
}

QRectF CaptionLane::blockRect(int index) const {
    if (index < 0 || index >= state_.story().captionCount() || state_.playback().duration() <= 0)
        return {};
    const Caption& c = state_.story().caption(index);
    const auto [row, rows] = rowOf(index);
    const qreal rowHeight = (height() - 4.0) / rows;
    const bool dragged = drag_ != Drag::none && selected_ == index;
    const double start = dragged ? dragStart_ : c.start;
    const double end = dragged ? dragEnd_ : c.end;
    const qreal x0 = xForOutputTime(start);
    const qreal x1 = std::max(xForOutputTime(end), x0 + 4);
    return QRectF(x0, 2 + row * rowHeight, x1 - x0, rowHeight - (rows > 1 ? 1 : 0));
}

std::optional<int> CaptionLane::blockAt(const QPointF& point) const {
    // The caption drawn last (on top) wins; the edges reach a little outside the block.
    for (int i = state_.story().captionCount() - 1; i >= 0; --i) {
        if (blockRect(i).adjusted(-kEdgeReach / 2, 0, kEdgeReach / 2, 0).contains(point)) return i;
    }
    return std::nullopt;
}

void CaptionLane::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // The lane itself, under the track's width.
    const qreal left = mapFrom(window(), track_.mapTo(window(), track_.trackRect().topLeft())).x();
    const QRectF lane(left, 1, track_.trackRect().width(), height() - 2);
    QColor laneFill = pal.hairline;
    laneFill.setAlphaF(0.35f);
    p.setPen(Qt::NoPen);
    p.setBrush(laneFill);
    p.drawRoundedRect(lane, 5, 5);
    if (state_.playback().duration() <= 0) return;

    p.setClipRect(lane);
    QFont font = p.font();
    font.setPixelSize(std::clamp(int(blockRect(0).height()) - 6, 7, 11));
    p.setFont(font);
    for (int i = 0; i < state_.story().captionCount(); ++i) {
        const QRectF block = blockRect(i);
        QColor fill = pal.accentFill;
        fill.setAlphaF(selected_ == i ? 0.95f : 0.6f);
        p.setPen(selected_ == i ? QPen(pal.primaryText, 1.5) : Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(block, 4, 4);
        // The grips at both ends.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 70));
        const qreal inset = block.height() / 4;
        p.drawRect(QRectF(block.left() + 2, block.top() + inset, 2, block.height() - 2 * inset));
        p.drawRect(QRectF(block.right() - 4, block.top() + inset, 2, block.height() - 2 * inset));
        p.setPen(QColor(20, 20, 20));
        const QRectF textBox = block.adjusted(7, 0, -7, 0);
        p.drawText(textBox, Qt::AlignVCenter | Qt::AlignLeft,
                   p.fontMetrics().elidedText(shownText(state_.story().caption(i).text),
                                              Qt::ElideRight, int(textBox.width())));
    }
}

void CaptionLane::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (editor_) commitText();
    const std::optional<int> hit = blockAt(event->position());
    select(hit);
    if (!hit) return;
    const Caption& c = state_.story().caption(*hit);
    const QRectF block = blockRect(*hit);
    const qreal x = event->position().x();
    pressX_ = x;
    dragStart_ = c.start;
    dragEnd_ = c.end;
    if (std::abs(x - block.left()) <= kEdgeReach) {
        drag_ = Drag::start;
    } else if (std::abs(x - block.right()) <= kEdgeReach) {
        drag_ = Drag::end;
    } else {
        drag_ = Drag::move;
    }
}

void CaptionLane::mouseMoveEvent(QMouseEvent* event) {
    const qreal x = event->position().x();
    if (drag_ == Drag::none || !selected_) {
        // Say what a press here would do.
        const std::optional<int> hit = blockAt(event->position());
        const QRectF block = hit ? blockRect(*hit) : QRectF();
        const bool edge = hit && (std::abs(x - block.left()) <= kEdgeReach ||
                                  std::abs(x - block.right()) <= kEdgeReach);
        setCursor(edge ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    const Caption& c = state_.story().caption(*selected_);
    const double delta = outputTimeForX(x) - outputTimeForX(pressX_);
    const double length = std::max(state_.story().outputLength(), c.end);
    const double shortest = StoryTrack::kMinimumCaptionLength;
    switch (drag_) {
        case Drag::start:
            dragStart_ = std::clamp(c.start + delta, 0.0, c.end - shortest);
            break;
        case Drag::end:
            dragEnd_ = std::clamp(c.end + delta, c.start + shortest, length);
            break;
        case Drag::move: {
            const double span = c.end - c.start;
            dragStart_ = std::clamp(c.start + delta, 0.0, std::max(0.0, length - span));
            dragEnd_ = dragStart_ + span;
            break;
        }
        case Drag::none:
            break;
    }
    update();
}

void CaptionLane::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || drag_ == Drag::none) return;
    const int index = selected_.value_or(-1);
    const double start = dragStart_, end = dragEnd_;
    drag_ = Drag::none;
    if (index >= 0) state_.story().setCaptionTimes(index, start, end);
    update();
}

void CaptionLane::mouseDoubleClickEvent(QMouseEvent* event) {
    drag_ = Drag::none;
    if (const std::optional<int> hit = blockAt(event->position())) editText(*hit);
}

void CaptionLane::keyPressEvent(QKeyEvent* event) {
    if (selected_ && (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)) {
        const int index = *selected_;
        select(std::nullopt);
        state_.story().removeCaption(index);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CaptionLane::editText(int index) {
    if (index < 0 || index >= state_.story().captionCount()) return;
    if (editor_) closeEditor();
    select(index);
    editing_ = index;
    editor_ = new QLineEdit(this);
    editor_->setObjectName(QStringLiteral("captionTextEditor"));
    editor_->setText(shownText(state_.story().caption(index).text));
    editor_->selectAll();
    editor_->setToolTip(QStringLiteral("Return keeps the text, Escape leaves it, Shift+Return "
                                       "breaks the line"));
    const QRectF block = blockRect(index);
    const int w = std::max(200, int(block.width()));
    const int x = std::clamp(int(block.left()), 0, std::max(0, width() - w));
    editor_->setGeometry(x, 0, std::min(w, width()), height());
    editor_->installEventFilter(this);
    connect(editor_, &QLineEdit::returnPressed, this, &CaptionLane::commitText);
    editor_->show();
    editor_->setFocus();
}

bool CaptionLane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            closeEditor();
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers().testFlag(Qt::ShiftModifier)) {
            editor_->insert(QString(kLineBreakMark));
            return true;
        }
    }
    if (watched == editor_ && event->type() == QEvent::FocusOut) {
        // Leaving the editor keeps good text and drops text that would be refused.
        QString problem;
        const int index = editing_;
        const QString text = storedText(editor_->text());
        closeEditor();
        if (index >= 0 && QString::fromStdString(state_.story().caption(index).text) != text)
            state_.story().setCaptionText(index, text, &problem);
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

void CaptionLane::commitText() {
    if (!editor_ || editing_ < 0) return;
    QString problem;
    if (!state_.story().setCaptionText(editing_, storedText(editor_->text()), &problem)) {
        editor_->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid %1; }")
                                   .arg(Palette::current().danger.name()));
        editor_->setToolTip(problem);
        emit textRefused(problem);
        return;
    }
    closeEditor();
}

void CaptionLane::closeEditor() {
    editing_ = -1;
    if (!editor_) return;
    QLineEdit* editor = editor_;
    editor_ = nullptr;
    editor->removeEventFilter(this);
    editor->hide();
    editor->deleteLater();
    setFocus();
}

}  // namespace kestro
