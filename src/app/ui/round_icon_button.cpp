#include "app/ui/round_icon_button.hpp"

#include "app/ui/focus_ring.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/shadow.hpp"
#include "app/ui/symbol.hpp"

#include <QPainter>

namespace kestro {

RoundIconButton::RoundIconButton(const QString& symbol, int diameter, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), diameter_(diameter) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setFixedSize(sizeHint());
}

void RoundIconButton::setSymbol(const QString& symbol) {
    if (symbol_ == symbol) return;  // callers refresh it many times a second
    symbol_ = symbol;
    update();
}

void RoundIconButton::setSymbolColor(const QColor& color) {
    symbolColor_ = color;
    update();
}

void RoundIconButton::setOutline(const QColor& color, qreal width) {
    outline_ = color;
    outlineWidth_ = width;
    update();
}

void RoundIconButton::setSymbolSize(qreal size) {
    symbolSize_ = size;
    update();
}

void RoundIconButton::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF disc((width() - diameter_) / 2.0, (height() - diameter_) / 2.0 - 1, diameter_, diameter_);
    const qreal pressScale = isDown() ? 0.94 : 1.0;
    p.translate(disc.center());
    p.scale(pressScale, pressScale);
    p.translate(-disc.center());
    paintShadow(p, disc, diameter_ / 2.0, {QColor(0, 0, 0, 26), 4, QPointF(0, 2)});
    p.setPen(Qt::NoPen);
    p.setBrush(pal.cardBackground);
    p.drawEllipse(disc);
    p.setBrush(underMouse() ? (pal.dark ? QColor(255, 255, 255, 28) : QColor(0, 0, 0, 12))
                            : pal.ultraThinMaterial);
    p.drawEllipse(disc);
    p.setPen(QPen(outline_.isValid() ? outline_ : pal.hairline, outlineWidth_));
    p.setBrush(Qt::NoBrush);
    const qreal in = outlineWidth_ / 2;
    p.drawEllipse(disc.adjusted(in, in, -in, -in));
    const QRectF box(disc.center().x() - symbolSize_ / 2, disc.center().y() - symbolSize_ / 2,
                     symbolSize_, symbolSize_);
    paintSymbol(p, symbol_, box, symbolColor_.isValid() ? symbolColor_ : pal.primaryText);
    if (showsFocusRing(*this)) paintFocusRing(p, disc, diameter_ / 2.0, true);
}

}  // namespace kestro
