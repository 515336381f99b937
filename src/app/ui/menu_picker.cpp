#include "app/ui/menu_picker.hpp"

#include "app/ui/disabled_fade.hpp"
#include "app/ui/focus_ring.hpp"
#include "app/ui/palette.hpp"

#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

namespace kestro {

namespace {

void styleMenu(QMenu* menu) {
    const Palette& pal = Palette::current();
    const auto css = [](const QColor& c) { return c.name(QColor::HexArgb); };
    menu->setStyleSheet(QStringLiteral(
        "QMenu { background: %1; border: 1px solid %2; padding: 6px 0px; }"
        "QMenu::item { padding: 7px 28px 7px 32px; margin: 0px 6px; border-radius: 6px; color: %3; }"
        "QMenu::item:selected { background: %4; color: #000000; }"
        "QMenu::indicator { width: 14px; left: 10px; }")
                            .arg(css(pal.cardBackground), css(pal.hairline), css(pal.primaryText),
                                 css(pal.accentTint)));
    menu->setFont(textFont(TextStyle::body));
}

}  // namespace

void MenuPicker::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) styleMenu(menu_);
    QAbstractButton::changeEvent(event);
}

MenuPicker::MenuPicker(QWidget* parent) : QAbstractButton(parent), menu_(new QMenu(this)) {
    styleMenu(menu_);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    popup_ = [](QMenu* menu, QPoint at) { menu->exec(at); };
    connect(this, &QAbstractButton::clicked, this, [this] {
        const QRectF f = fieldRect();
        menu_->setMinimumWidth(static_cast<int>(f.width()));
        popup_(menu_, mapToGlobal(QPoint(static_cast<int>(f.left()), static_cast<int>(f.bottom()) + 4)));
    });
}

void MenuPicker::setDisplay(const QString& text, bool prompt) {
    setText(text);
    prompt_ = prompt;
    update();
}

QSize MenuPicker::sizeHint() const {
    const QFontMetrics fm(textFont(TextStyle::body));
    return QSize(fm.horizontalAdvance(text()) + 56, std::max(34, fm.height() + 16));
}

QRectF MenuPicker::fieldRect() const { return QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5); }

void MenuPicker::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // A choice that does not apply reads as such, field and chip alike.
    if (!isEnabled()) p.setOpacity(kDisabledOpacity);
    const QRectF f = fieldRect();
    QPainterPath shape;
    shape.addRoundedRect(f, 8, 8);
    p.fillPath(shape, pal.controlColor);
    if (underMouse() && isEnabled())
        p.fillPath(shape, pal.dark ? QColor(255, 255, 255, 14) : QColor(0, 0, 0, 8));
    p.setPen(QPen(pal.hairline, 1));
    p.drawPath(shape);

    p.setFont(textFont(TextStyle::body));
    p.setPen(prompt_ ? pal.secondaryText : pal.primaryText);
    const QRectF textBox = f.adjusted(12, 0, -34, 0);
    p.drawText(textBox, Qt::AlignVCenter | Qt::AlignLeft,
               QFontMetrics(p.font()).elidedText(text(), Qt::ElideRight, int(textBox.width())));

    // Up/down chevron on an accent chip, as a native pop-up menu shows it.
    const QRectF chip(f.right() - 26, f.center().y() - 10, 20, 20);
    QPainterPath chipShape;
    chipShape.addRoundedRect(chip, 5, 5);
    p.fillPath(chipShape, pal.accentTint);
    QPen pen(pal.brandWhite, 1.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    const QPointF c = chip.center();
    p.drawPolyline(QPolygonF({c + QPointF(-3.5, -1.8), c + QPointF(0, -5), c + QPointF(3.5, -1.8)}));
    p.drawPolyline(QPolygonF({c + QPointF(-3.5, 1.8), c + QPointF(0, 5), c + QPointF(3.5, 1.8)}));
    if (showsFocusRing(*this)) paintFocusRing(p, f, 8);
}

}  // namespace kestro
