#include "app/ui/warning_banner.hpp"

#include "app/ui/palette.hpp"
#include "app/ui/symbol.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace kestro {
namespace {

constexpr int kSymbolSide = 16;

// Only paints the symbol; a widget of its own so the layout keeps it at the first line's height.
class WarningSymbol : public QWidget {
public:
    explicit WarningSymbol(QWidget* parent) : QWidget(parent) {
        setFixedSize(kSymbolSide, kSymbolSide);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        paintSymbol(p, QStringLiteral("exclamationmark.triangle.fill"), QRectF(rect()),
                    Palette::current().warningTint);
    }
};

}  // namespace

WarningBanner::WarningBanner(QWidget* parent) : QWidget(parent), text_(new QLabel(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(12);
    row->addWidget(new WarningSymbol(this), 0, Qt::AlignTop);
    text_->setWordWrap(true);
    text_->setTextFormat(Qt::PlainText);
    row->addWidget(text_, 1, Qt::AlignTop);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    restyle();
}

void WarningBanner::setMessage(const QString& message) {
    text_->setText(message);
}

QString WarningBanner::message() const {
    return text_->text();
}

void WarningBanner::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) restyle();
    QWidget::changeEvent(event);
}

void WarningBanner::restyle() {
    text_->setFont(textFont(TextStyle::subheadline));
    QPalette p = text_->palette();
    p.setColor(QPalette::WindowText, Palette::current().secondaryText);
    text_->setPalette(p);
}

void WarningBanner::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    // A thin material, warmed slightly by the warning tint so the panel reads as a caution.
    p.fillPath(shape, pal.dark ? QColor(255, 255, 255, 12) : QColor(0, 0, 0, 8));
    QColor warm = pal.warningTint;
    warm.setAlpha(pal.dark ? 22 : 26);
    p.fillPath(shape, warm);
    warm.setAlpha(pal.dark ? 60 : 70);
    p.setPen(QPen(warm, 1));
    p.drawPath(shape);
}

}  // namespace kestro
