#include "app/preview/time_readout.hpp"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kestro {

TimeReadout::TimeReadout(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TimeReadout::setText(const QString& text) {
    if (text == text_) return;
    const bool wider = textWidth(text) != textWidth(text_);
    text_ = text;
    if (wider) updateGeometry();
    update();
}

void TimeReadout::setColor(const QColor& color) {
    color_ = color;
    update();
}

void TimeReadout::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

qreal TimeReadout::digitWidth() const {
    const QFontMetricsF fm(font());
    qreal widest = 0;
    for (QChar c = u'0'; c <= u'9'; c = QChar(c.unicode() + 1))
        widest = std::max(widest, fm.horizontalAdvance(c));
    return widest;
}

qreal TimeReadout::textWidth(const QString& text) const {
    const QFontMetricsF fm(font());
    const qreal digit = digitWidth();
    qreal width = 0;
    for (const QChar c : text) width += c.isDigit() ? digit : fm.horizontalAdvance(c);
    return width;
}

QSize TimeReadout::sizeHint() const {
    const QFontMetricsF fm(font());
    // Room for five characters at least ("00:00"), so a movie of any length keeps its place.
    const qreal width = std::max(textWidth(text_), textWidth(QStringLiteral("00:00")));
    return {int(std::ceil(width)) + 2, int(std::ceil(fm.height()))};
}

void TimeReadout::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) updateGeometry();
    QWidget::changeEvent(event);
}

void TimeReadout::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font());
    p.setPen(color_.isValid() ? color_ : palette().color(QPalette::WindowText));
    const QFontMetricsF fm(font());
    const qreal digit = digitWidth();
    const qreal total = textWidth(text_);
    qreal x = 0;
    if (alignment_ & Qt::AlignRight) x = width() - 1 - total;
    if (alignment_ & Qt::AlignHCenter) x = (width() - total) / 2;
    const qreal baseline = (height() - fm.height()) / 2 + fm.ascent();
    for (const QChar c : text_) {
        const qreal advance = c.isDigit() ? digit : fm.horizontalAdvance(c);
        const qreal glyph = fm.horizontalAdvance(c);
        p.drawText(QPointF(x + (advance - glyph) / 2, baseline), QString(c));
        x += advance;
    }
}

}  // namespace kestro
