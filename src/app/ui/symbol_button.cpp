#include "app/ui/symbol_button.hpp"

#include "app/ui/focus_ring.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/symbol.hpp"

#include <QPainter>

namespace kestro {

SymbolButton::SymbolButton(const QString& symbol, int side, QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), side_(side) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setFixedSize(side, side);
    setFocusPolicy(Qt::TabFocus);
}

void SymbolButton::setSymbolColor(const QColor& color) {
    color_ = color;
    update();
}

void SymbolButton::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) p.setOpacity(0.4);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    if (isEnabled() && (underMouse() || isDown())) {
        p.setPen(Qt::NoPen);
        p.setBrush(pal.dark ? QColor(255, 255, 255, isDown() ? 34 : 18)
                            : QColor(0, 0, 0, isDown() ? 22 : 10));
        p.drawEllipse(r);
    }
    const qreal s = side_ * 0.52;
    const QRectF box(r.center().x() - s / 2, r.center().y() - s / 2, s, s);
    paintSymbol(p, symbol_, box, color_.isValid() ? color_ : pal.secondaryText);
    if (showsFocusRing(*this)) paintFocusRing(p, r.adjusted(1.5, 1.5, -1.5, -1.5), 0, true);
}

}  // namespace kestro
