#include "app/ui/elided_label.hpp"

#include "app/ui/palette.hpp"

#include <QPainter>

namespace kestro {

ElidedLabel::ElidedLabel(QWidget* parent) : QWidget(parent), font_(textFont(TextStyle::caption)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text) {
    if (text_ == text) return;
    text_ = text;
    setToolTip(text);
    updateGeometry();
    update();
}

void ElidedLabel::setTextFont(const QFont& font) {
    font_ = font;
    updateGeometry();
    update();
}

void ElidedLabel::setPrimary(bool primary) {
    primary_ = primary;
    update();
}

QString ElidedLabel::displayedText() const {
    const QFontMetrics fm(font_);
    if (fm.horizontalAdvance(text_) <= width()) return text_;
    // A path keeps its last component whole (the folder or file the user recognises) and gives
    // up the middle of what leads to it.
    const qsizetype slash = text_.lastIndexOf(QLatin1Char('/'));
    if (slash > 0) {
        const QString tail = text_.mid(slash);
        const int room = width() - fm.horizontalAdvance(tail);
        if (room > fm.horizontalAdvance(QStringLiteral("…")) + fm.averageCharWidth())
            return fm.elidedText(text_.left(slash), Qt::ElideMiddle, room) + tail;
    }
    return fm.elidedText(text_, Qt::ElideMiddle, width());
}

QSize ElidedLabel::sizeHint() const {
    const QFontMetrics fm(font_);
    return QSize(fm.horizontalAdvance(text_) + 1, fm.height());
}

QSize ElidedLabel::minimumSizeHint() const {
    return QSize(24, QFontMetrics(font_).height());
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font_);
    p.setPen(primary_ ? Palette::current().primaryText : Palette::current().secondaryText);
    p.drawText(rect(), Qt::AlignVCenter | Qt::AlignLeft, displayedText());
}

}  // namespace kestro
