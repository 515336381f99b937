#include "app/preview/empty_state_card.hpp"

#include "app/ui/floating_animation.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/shadow.hpp"
#include "app/ui/symbol.hpp"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace kestro {
namespace {

constexpr qreal kPadding = 28;
constexpr qreal kSpacing = 20;
constexpr qreal kIcon = 96;

struct Metrics {
    QFont titleFont = textFont(TextStyle::title2, QFont::Bold);
    QFont bodyFont = textFont(TextStyle::body);
    QFont hintFont = textFont(TextStyle::caption, QFont::Medium);
    qreal pillWidth() const { return 16 + 20 + 12 + QFontMetricsF(hintFont).horizontalAdvance(EmptyStateCard::hint()) + 16; }
    qreal pillHeight() const { return 10 + 20 + 10; }
    qreal contentWidth() const {
        return std::max({kIcon, QFontMetricsF(titleFont).horizontalAdvance(EmptyStateCard::title()),
                         QFontMetricsF(bodyFont).horizontalAdvance(EmptyStateCard::subtitle()),
                         pillWidth()});
    }
    qreal contentHeight() const {
        return kIcon + kSpacing + QFontMetricsF(titleFont).height() + kSpacing +
               QFontMetricsF(bodyFont).height() + kSpacing + pillHeight();
    }
};

}  // namespace

EmptyStateCard::EmptyStateCard(QWidget* parent)
    : QWidget(parent), floating_(new FloatingAnimation(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    connect(floating_, &FloatingAnimation::offsetChanged, this, qOverload<>(&QWidget::update));
}

void EmptyStateCard::showEvent(QShowEvent* event) {
    floating_->start();
    QWidget::showEvent(event);
}

QSize EmptyStateCard::sizeFor(qreal maxWidth) const {
    const Metrics m;
    const qreal w = std::min(m.contentWidth() + 2 * kPadding + 40, maxWidth);
    const qreal h = m.contentHeight() + 2 * kPadding;
    return QSize(int(std::floor(w)) + 2 * kShadowMargin, int(std::ceil(h)) + 2 * kShadowMargin);
}

void EmptyStateCard::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    const Metrics m;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF card = QRectF(rect()).adjusted(kShadowMargin, kShadowMargin, -kShadowMargin, -kShadowMargin);

    QColor accentShadow = pal.accentTint;
    accentShadow.setAlphaF(0.2f);
    paintShadow(p, card, 20, {accentShadow, 20, QPointF(0, 8)});
    paintShadow(p, card, 20, {QColor(0, 0, 0, 26), 8, QPointF(0, 4)});
    QPainterPath shape;
    shape.addRoundedRect(card, 20, 20);
    p.fillPath(shape, pal.thickMaterial);
    p.setPen(QPen(pal.hairline, 1));
    p.drawPath(shape);

    const qreal cx = card.center().x();
    qreal y = card.top() + (card.height() - m.contentHeight()) / 2;

    // Floating phone badge.
    const QRectF badge(cx - kIcon / 2, y + floating_->offset(), kIcon, kIcon);
    paintShadow(p, badge, kIcon / 2, {QColor(0, 0, 0, 26), 4, QPointF(0, 2)});
    QRadialGradient glow(badge.center() - QPointF(14, 18), kIcon * 0.8);
    glow.setColorAt(0, pal.accentTint.lighter(118));
    glow.setColorAt(1, pal.accentTint);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(badge);
    p.setBrush(QColor(255, 255, 255, 26));
    p.drawEllipse(badge.center(), 38, 38);
    const QRectF glyph(badge.center().x() - 20, badge.center().y() - 20, 40, 40);
    paintSymbol(p, "iphone.gen3", glyph.translated(0, 1), QColor(0, 0, 0, 70));
    paintSymbol(p, "iphone.gen3", glyph, Qt::white);
    y += kIcon + kSpacing;

    const auto line = [&](const QString& text, const QFont& font, const QColor& colour) {
        const qreal h = QFontMetricsF(font).height();
        p.setFont(font);
        p.setPen(colour);
        p.drawText(QRectF(card.left() + kPadding, y, card.width() - 2 * kPadding, h),
                   Qt::AlignCenter, text);
        y += h + kSpacing;
    };
    line(title(), m.titleFont, pal.accentTint);
    line(subtitle(), m.bodyFont, pal.secondaryText);

    // Hint pill.
    const QRectF pill(cx - m.pillWidth() / 2, y, m.pillWidth(), m.pillHeight());
    paintShadow(p, pill, pill.height() / 2, {QColor(0, 0, 0, 26), 4, QPointF(0, 2)});
    QPainterPath capsule;
    capsule.addRoundedRect(pill, pill.height() / 2, pill.height() / 2);
    p.fillPath(capsule, pal.thickMaterial);
    QColor outline = pal.accentTint;
    outline.setAlphaF(0.3f);
    p.setPen(QPen(outline, 1));
    p.drawPath(capsule);
    const QRectF dot(pill.left() + 16, pill.center().y() - 10, 20, 20);
    QColor dotFill = pal.accentTint;
    dotFill.setAlphaF(0.2f);
    p.setPen(Qt::NoPen);
    p.setBrush(dotFill);
    p.drawEllipse(dot);
    paintSymbol(p, "arrow.right.circle.fill", dot.adjusted(4, 4, -4, -4), pal.accentTint);
    p.setFont(m.hintFont);
    p.setPen(pal.secondaryText);
    p.drawText(QRectF(dot.right() + 12, pill.top(), pill.right() - dot.right() - 12 - 16, pill.height()),
               Qt::AlignVCenter | Qt::AlignLeft, hint());
}

}  // namespace kestro
