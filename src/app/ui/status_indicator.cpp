#include "app/ui/status_indicator.hpp"

#include "app/ui/palette.hpp"

#include <QPainter>

namespace kestro {

StatusIndicator::StatusIndicator(RecordingState state, QWidget* parent)
    : QWidget(parent), state_(state) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void StatusIndicator::setState(RecordingState state) {
    if (state_ == state) return;
    state_ = state;
    updateGeometry();
    update();
}

QString StatusIndicator::caption(RecordingState state) {
    switch (state) {
        case RecordingState::idle: return QStringLiteral("Ready");
        case RecordingState::recording: return QStringLiteral("Recording");
        case RecordingState::recorded: return QStringLiteral("Recorded");
    }
    return {};
}

QColor StatusIndicator::dotColor(RecordingState state) {
    const Palette& p = Palette::current();
    switch (state) {
        case RecordingState::idle: return p.secondaryText;
        case RecordingState::recording: return p.danger;
        case RecordingState::recorded: return p.success;
    }
    return {};
}

QSize StatusIndicator::sizeHint() const {
    const QFontMetrics fm(textFont(TextStyle::caption));
    return QSize(8 + 8 + fm.horizontalAdvance(caption(state_)) + 1, std::max(8, fm.height()));
}

void StatusIndicator::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal cy = height() / 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(dotColor(state_));
    p.drawEllipse(QRectF(0, cy - 4, 8, 8));
    p.setFont(textFont(TextStyle::caption));
    p.setPen(Palette::current().secondaryText);
    p.drawText(QRectF(16, 0, width() - 16, height()), Qt::AlignVCenter | Qt::AlignLeft,
               caption(state_));
}

}  // namespace kestro
