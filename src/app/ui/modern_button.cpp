#include "app/ui/modern_button.hpp"

#include "app/ui/focus_ring.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/shadow.hpp"
#include "app/ui/symbol.hpp"

#include <QPainter>
#include <QTimerEvent>
#include <QPainterPath>
#include <QVariantAnimation>

#include <cmath>

namespace kestro {

ModernButtonStyle::Colors ModernButtonStyle::colors(const Palette& p) const {
    switch (variant) {
        case Variant::primary: return {p.brandWhite, p.accentTint, Qt::transparent, 0};
        case Variant::secondary: return {p.primaryText, p.controlColor, p.hairline, 1};
        case Variant::destructive: return {p.brandWhite, p.danger, Qt::transparent, 0};
        case Variant::ghost: return {p.accentTint, Qt::transparent, p.accentTint, 1};
        case Variant::accent: return {p.brandBlack, p.accentFill, Qt::transparent, 0};
    }
    return {};
}

ModernButtonStyle::Colors ModernButtonStyle::disabledColors(const Palette& p) const {
    const bool filled = variant == Variant::primary || variant == Variant::destructive ||
                        variant == Variant::accent;
    if (!filled) return {p.secondaryText, Qt::transparent, p.hairline, 1};
    // A grey plate with a dark (light, in the dark appearance) label: plainly off, still legible.
    return p.dark ? Colors{QColor(0xB8, 0xB8, 0xBE), QColor(0x3A, 0x3B, 0x40), Qt::transparent, 0}
                  : Colors{QColor(0x5A, 0x5A, 0x5F), QColor(0xE4, 0xE2, 0xDC), Qt::transparent, 0};
}

ModernButtonStyle::Metrics ModernButtonStyle::metrics() const {
    switch (size) {
        case Size::small: return {textFont(TextStyle::caption, QFont::DemiBold), 8, 16, 10};
        case Size::medium: return {textFont(TextStyle::body, QFont::Medium), 12, 20, 12};
        case Size::large: return {textFont(TextStyle::headline, QFont::DemiBold), 16, 24, 14};
    }
    return {};
}

ModernButton::ModernButton(const QString& text, ModernButtonStyle style, QWidget* parent)
    : ModernButton(QString(), text, style, parent) {}

ModernButton::ModernButton(const QString& symbol, const QString& text, ModernButtonStyle style,
                           QWidget* parent)
    : QAbstractButton(parent), style_(style), symbol_(symbol) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    pressAnimation_ = new QVariantAnimation(this);
    pressAnimation_->setDuration(ModernButtonStyle::kPressAnimationMs);
    pressAnimation_->setEasingCurve(QEasingCurve::InOutQuad);
    connect(pressAnimation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        press_ = v.toReal();
        update();
    });
    connect(this, &QAbstractButton::pressed, this, [this] { animatePress(true); });
    connect(this, &QAbstractButton::released, this, [this] { animatePress(false); });
}

void ModernButton::setSymbol(const QString& symbol) {
    symbol_ = symbol;
    updateGeometry();
    update();
}

void ModernButton::setStyleSpec(ModernButtonStyle style) {
    style_ = style;
    updateGeometry();
    update();
}

void ModernButton::setBusy(bool busy) {
    if (busy_ == busy) return;
    busy_ = busy;
    if (busy_ && !spinTimer_) spinTimer_ = startTimer(16);
    if (!busy_ && spinTimer_) {
        killTimer(spinTimer_);
        spinTimer_ = 0;
    }
    updateGeometry();
    update();
}

void ModernButton::timerEvent(QTimerEvent* event) {
    if (event->timerId() == spinTimer_) {
        spinAngle_ = (spinAngle_ + 8) % 360;
        update();
        return;
    }
    QAbstractButton::timerEvent(event);
}

void ModernButton::animatePress(bool down) {
    pressAnimation_->stop();
    pressAnimation_->setStartValue(press_);
    pressAnimation_->setEndValue(down ? 1.0 : 0.0);
    pressAnimation_->start();
}

qreal ModernButton::currentScale() const {
    return 1.0 - (1.0 - ModernButtonStyle::kPressedScale) * press_;
}

qreal ModernButton::currentOpacity() const {
    return 1.0 - (1.0 - ModernButtonStyle::kPressedOpacity) * press_;
}

QSize ModernButton::sizeHint() const {
    const auto m = style_.metrics();
    const QFontMetricsF fm(m.font);
    const qreal iconSide = std::round(fm.height() * 1.05);
    const bool hasIcon = busy_ || !symbol_.isEmpty();
    qreal contentW = text().isEmpty() ? 0 : fm.horizontalAdvance(text());
    if (hasIcon) contentW += iconSide + (text().isEmpty() ? 0 : 7);
    const qreal contentH = std::max<qreal>(fm.height(), hasIcon ? iconSide : 0);
    const QMarginsF sm = shadowMargins();
    return QSize(static_cast<int>(std::ceil(contentW + 2 * m.horizontalInset + sm.left() + sm.right())),
                 static_cast<int>(std::ceil(contentH + 2 * m.verticalInset + sm.top() + sm.bottom())));
}

QRectF ModernButton::bodyRect() const { return QRectF(rect()).marginsRemoved(shadowMargins()); }

void ModernButton::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    // A busy button (a running export) is disabled but must not look switched off.
    const bool off = !isEnabled() && !busy_;
    const auto c = off ? style_.disabledColors(pal) : style_.colors(pal);
    const auto m = style_.metrics();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF body = bodyRect();
    const QPointF centre = body.center();
    p.translate(centre);
    p.scale(currentScale(), currentScale());
    p.translate(-centre);
    p.setOpacity(currentOpacity());

    QPainterPath shape;
    shape.addRoundedRect(body, m.cornerRadius, m.cornerRadius);
    if (c.fill.alpha() > 0)
        paintShadow(p, body, m.cornerRadius, {QColor(0, 0, 0, 38), 4, QPointF(0, 2)});
    if (c.fill.alpha() > 0) p.fillPath(shape, c.fill);
    if (isEnabled() && underMouse() && !isDown()) {
        // A faint lift on hover so the pointer has feedback before the press.
        p.fillPath(shape, pal.dark || c.fill.lightness() < 140 ? QColor(255, 255, 255, 22)
                                                              : QColor(0, 0, 0, 10));
    }
    if (c.borderWidth > 0 && c.border.alpha() > 0) {
        QPen pen(c.border, c.borderWidth);
        pen.setMiterLimit(10);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        const qreal inset = c.borderWidth / 2;
        p.drawRoundedRect(body.adjusted(inset, inset, -inset, -inset), m.cornerRadius - inset,
                          m.cornerRadius - inset);
    }

    const QFontMetricsF fm(m.font);
    const qreal iconSide = std::round(fm.height() * 1.05);
    const bool hasIcon = busy_ || !symbol_.isEmpty();
    const qreal textW = text().isEmpty() ? 0 : fm.horizontalAdvance(text());
    const qreal contentW = textW + (hasIcon ? iconSide + (text().isEmpty() ? 0 : 7) : 0);
    qreal x = body.center().x() - contentW / 2;
    if (hasIcon) {
        const QRectF iconBox(x, body.center().y() - iconSide / 2, iconSide, iconSide);
        if (busy_) {
            QPen pen(c.label, 2);
            pen.setCapStyle(Qt::RoundCap);
            p.setPen(pen);
            p.drawArc(iconBox.adjusted(2, 2, -2, -2), -spinAngle_ * 16, 270 * 16);
        } else {
            paintSymbol(p, symbol_, iconBox, c.label);
        }
        x += iconSide + 7;
    }
    if (!text().isEmpty()) {
        p.setFont(m.font);
        p.setPen(c.label);
        p.drawText(QRectF(x, body.top(), textW + 1, body.height()), Qt::AlignVCenter | Qt::AlignLeft,
                   text());
    }
    if (showsFocusRing(*this)) paintFocusRing(p, body, m.cornerRadius);
}

}  // namespace kestro
