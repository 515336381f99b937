#include "app/sections/export_progress_area.hpp"

#include "app/ui/palette.hpp"
#include "app/ui/symbol.hpp"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>

namespace kestro {
namespace {

class PaintedBox : public QWidget {
public:
    PaintedBox(QWidget* parent, std::function<void(QPainter&, const QRectF&)> draw)
        : QWidget(parent), draw_(std::move(draw)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        draw_(p, QRectF(rect()));
    }

private:
    std::function<void(QPainter&, const QRectF&)> draw_;
};

}  // namespace

ExportProgressArea::ExportProgressArea(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(12, 10, 12, 12);
    column->setSpacing(8);
    auto* row = new QHBoxLayout();
    row->setSpacing(8);
    icon_ = new PaintedBox(this, [this](QPainter& p, const QRectF& r) {
        paintSymbol(p, iconSymbol(), r, iconColor());
    });
    icon_->setFixedSize(14, 14);
    row->addWidget(icon_, 0, Qt::AlignVCenter);
    text_ = new QLabel(this);
    text_->setTextFormat(Qt::PlainText);
    text_->setWordWrap(true);
    row->addWidget(text_, 1);
    column->addLayout(row);
    bar_ = new PaintedBox(this, [this](QPainter& p, const QRectF& r) {
        const Palette& pal = Palette::current();
        QPainterPath track;
        track.addRoundedRect(r, 2, 2);
        p.fillPath(track, pal.dark ? QColor(255, 255, 255, 28) : QColor(0, 0, 0, 20));
        const double f = std::isfinite(progress_) ? std::clamp(progress_, 0.0, 1.0) : 1.0;
        if (f <= 0) return;
        QPainterPath done;
        done.addRoundedRect(QRectF(r.left(), r.top(), std::max(4.0, r.width() * f), r.height()), 2,
                            2);
        QLinearGradient fill(r.topLeft(), r.topRight());
        fill.setColorAt(0, pal.accentTint.lighter(112));
        fill.setColorAt(1, pal.accentTint);
        p.fillPath(done, fill);
    });
    bar_->setFixedHeight(4);
    column->addWidget(bar_);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    restyle();
    sync();
}

void ExportProgressArea::setExporting(bool exporting) {
    exporting_ = exporting;
    restyle();
    sync();
}

void ExportProgressArea::setText(const QString& text) {
    text_->setText(text);
}

void ExportProgressArea::setProgress(double progress) {
    progress_ = progress;
    sync();
}

QString ExportProgressArea::text() const {
    return text_->text();
}

void ExportProgressArea::setOutcome(ExportOutcome outcome) {
    outcome_ = outcome;
    restyle();
    sync();
}

QString ExportProgressArea::iconSymbol() const {
    if (exporting_) return QStringLiteral("arrow.down.doc.fill");
    switch (outcome_) {
        case ExportOutcome::failed: return QStringLiteral("exclamationmark.triangle.fill");
        case ExportOutcome::cancelled: return QStringLiteral("xmark.circle");
        case ExportOutcome::none:
        case ExportOutcome::succeeded: break;
    }
    return QStringLiteral("checkmark.circle.fill");
}

QColor ExportProgressArea::iconColor() const {
    const Palette& pal = Palette::current();
    if (exporting_) return pal.iconTint;
    switch (outcome_) {
        case ExportOutcome::failed: return pal.danger;
        case ExportOutcome::cancelled: return pal.secondaryText;
        case ExportOutcome::none:
        case ExportOutcome::succeeded: break;
    }
    return pal.success;
}

bool ExportProgressArea::barVisible() const {
    return exporting_ && progress_ > 0;
}

void ExportProgressArea::sync() {
    bar_->setVisible(barVisible());
    icon_->update();
    bar_->update();
}

void ExportProgressArea::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) restyle();
    QWidget::changeEvent(event);
}

void ExportProgressArea::restyle() {
    text_->setFont(textFont(TextStyle::caption));
    QPalette p = text_->palette();
    // A failure's text is in the primary colour (the red sign and tint mark it as a failure;
    // red text this small would not read well), so it is not taken for a finished export.
    const bool failed = !exporting_ && outcome_ == ExportOutcome::failed;
    p.setColor(QPalette::WindowText, failed ? Palette::current().primaryText : Palette::current().secondaryText);
    text_->setPalette(p);
}

void ExportProgressArea::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    const bool failed = !exporting_ && outcome_ == ExportOutcome::failed;
    QColor tint = pal.danger;
    tint.setAlpha(pal.dark ? 34 : 20);
    p.fillPath(shape, failed ? tint : pal.dark ? QColor(255, 255, 255, 10) : QColor(0, 0, 0, 7));
    tint.setAlpha(110);
    p.setPen(QPen(failed ? tint : pal.hairline, 1));
    p.drawPath(shape);
}

}  // namespace kestro
