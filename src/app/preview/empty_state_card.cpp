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

// Where everything goes for a card of a given width; texts wrap when the card is narrow.
struct CardLayout {
    QFont titleFont = textFont(TextStyle::title2, QFont::Bold);
    QFont bodyFont = textFont(TextStyle::body);
    QFont hintFont = textFont(TextStyle::caption, QFont::Medium);
    qreal textWidth = 0;  // room for text inside the padding
    qreal titleHeight = 0;
    qreal bodyHeight = 0;
    qreal pillWidth = 0;
    qreal pillTextWidth = 0;
    qreal pillHeight = 0;
    bool pillDot = true;  // the arrow disc is left out when the card is too narrow for it

    static qreal naturalWidth() {
        const CardLayout l;
        const qreal pill = 16 + 20 + 12 + QFontMetricsF(l.hintFont).horizontalAdvance(EmptyStateCard::hint()) + 16;
        return std::max({kIcon, QFontMetricsF(l.titleFont).horizontalAdvance(EmptyStateCard::title()),
                         QFontMetricsF(l.bodyFont).horizontalAdvance(EmptyStateCard::subtitle()), pill});
    }

    explicit CardLayout(qreal cardWidth = 10000) {
        textWidth = std::max<qreal>(cardWidth - 2 * kPadding, 40);
        const auto wrapped = [&](const QFont& f, const QString& t, qreal w) {
            return QFontMetricsF(f).boundingRect(QRectF(0, 0, w, 1e6), Qt::TextWordWrap | Qt::AlignHCenter, t).height();
        };
        titleHeight = wrapped(titleFont, EmptyStateCard::title(), textWidth);
        bodyHeight = wrapped(bodyFont, EmptyStateCard::subtitle(), textWidth);
        const qreal hintAdvance = QFontMetricsF(hintFont).horizontalAdvance(EmptyStateCard::hint()) + 1;
        pillDot = hintAdvance <= textWidth - (16 + 20 + 12 + 16);
        const qreal chrome = pillDot ? 16 + 20 + 12 + 16 : 16 + 16;
        pillTextWidth = std::max<qreal>(std::min(hintAdvance, textWidth - chrome), 20);
        pillWidth = chrome + pillTextWidth;
        pillHeight = 10 + std::max<qreal>(20, wrapped(hintFont, EmptyStateCard::hint(), pillTextWidth)) + 10;
    }
    qreal contentHeight() const {
        return kIcon + kSpacing + titleHeight + kSpacing + bodyHeight + kSpacing + pillHeight;
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

// The bob only runs while the card can be seen.
void EmptyStateCard::hideEvent(QHideEvent* event) {
    floating_->pause();
    QWidget::hideEvent(event);
}

QSize EmptyStateCard::sizeFor(qreal maxWidth) const {
    const qreal w = std::max<qreal>(std::min(CardLayout::naturalWidth() + 2 * kPadding + 40, maxWidth), 0);
    const qreal h = CardLayout(w).contentHeight() + 2 * kPadding;
    return QSize(int(std::floor(w)) + 2 * kShadowMargin, int(std::ceil(h)) + 2 * kShadowMargin);
}

void EmptyStateCard::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
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

    const CardLayout m(card.width());
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

    const auto lines = [&](const QString& text, const QFont& font, const QColor& colour, qreal h) {
        p.setFont(font);
        p.setPen(colour);
        p.drawText(QRectF(card.left() + kPadding, y, m.textWidth, h),
                   Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, text);
        y += h + kSpacing;
    };
    lines(title(), m.titleFont, pal.accentTint, m.titleHeight);
    lines(subtitle(), m.bodyFont, pal.secondaryText, m.bodyHeight);

    // Hint pill.
    const QRectF pill(cx - m.pillWidth / 2, y, m.pillWidth, m.pillHeight);
    paintShadow(p, pill, pill.height() / 2, {QColor(0, 0, 0, 26), 4, QPointF(0, 2)});
    QPainterPath capsule;
    capsule.addRoundedRect(pill, pill.height() / 2, pill.height() / 2);
    p.fillPath(capsule, pal.thickMaterial);
    QColor outline = pal.accentTint;
    outline.setAlphaF(0.3f);
    p.setPen(QPen(outline, 1));
    p.drawPath(capsule);
    qreal textLeft = pill.left() + 16;
    if (m.pillDot) {
        const QRectF dot(pill.left() + 16, pill.center().y() - 10, 20, 20);
        QColor dotFill = pal.accentTint;
        dotFill.setAlphaF(0.2f);
        p.setPen(Qt::NoPen);
        p.setBrush(dotFill);
        p.drawEllipse(dot);
        paintSymbol(p, "arrow.right.circle.fill", dot.adjusted(4, 4, -4, -4), pal.accentTint);
        textLeft = dot.right() + 12;
    }
    p.setFont(m.hintFont);
    p.setPen(pal.secondaryText);
    p.drawText(QRectF(textLeft, pill.top(), m.pillTextWidth, pill.height()),
               (m.pillDot ? Qt::AlignLeft : Qt::AlignHCenter) | Qt::AlignVCenter | Qt::TextWordWrap,
               hint());
}

}  // namespace kestro
