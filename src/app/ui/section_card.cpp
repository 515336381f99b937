#include "app/ui/section_card.hpp"

#include "app/ui/palette.hpp"
#include "app/ui/symbol.hpp"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace kestro {

SectionCard::SectionCard(const QString& symbol, const QString& title, QWidget* parent)
    : QWidget(parent), title_(title) {
    // Outlines that reach past their control (the frame menu's attention outline) draw here.
    setProperty("attentionHost", true);
    body_ = new QVBoxLayout(this);
    body_->setContentsMargins(20, 20, 20, 20);
    body_->setSpacing(16);
    if (!title.isEmpty()) body_->addWidget(new SectionHeader(symbol, title, false, this));
}

void paintCardBackground(QWidget& widget) {
    const Palette& pal = Palette::current();
    QPainter p(&widget);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(widget.rect()).adjusted(0.5, 0.5, -0.5, -0.5), 16, 16);
    p.fillPath(shape, pal.cardBackground);
    p.setPen(QPen(pal.hairline, 1));
    p.drawPath(shape);
}

void SectionCard::paintEvent(QPaintEvent*) {
    paintCardBackground(*this);
}

SectionHeader::SectionHeader(const QString& symbol, const QString& title, bool accentTitle,
                             QWidget* parent)
    : QWidget(parent), symbol_(symbol), title_(title), accentTitle_(accentTitle) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize SectionHeader::sizeHint() const {
    const QFontMetrics fm(textFont(TextStyle::title2, QFont::Bold));
    return QSize(fm.horizontalAdvance(title_) + (symbol_.isEmpty() ? 0 : 32), fm.height() + 2);
}

void SectionHeader::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFont font = textFont(TextStyle::title2, QFont::Bold);
    const qreal side = QFontMetricsF(font).height() * 0.95;
    qreal x = 0;
    if (!symbol_.isEmpty()) {
        paintSymbol(p, symbol_, QRectF(0, (height() - side) / 2, side, side), pal.iconTint);
        x = side + 10;
    }
    p.setFont(font);
    p.setPen(accentTitle_ ? pal.accentTint : pal.primaryText);
    p.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignVCenter | Qt::AlignLeft, title_);
}

}  // namespace kestro
