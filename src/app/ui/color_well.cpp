#include "app/ui/color_well.hpp"

#include "app/ui/focus_ring.hpp"
#include "app/ui/palette.hpp"

#include <QColorDialog>
#include <QPainter>
#include <QPainterPath>

namespace kestro {

ColorWell::ColorWell(Getter read, Setter write, QWidget* parent)
    : QAbstractButton(parent), read_(std::move(read)), write_(std::move(write)) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setFixedSize(sizeHint());
    setAccessibleName(QStringLiteral("Background colour"));
    shown_ = read_ ? read_() : QColor(Qt::black);
    connect(this, &QAbstractButton::clicked, this, &ColorWell::openDialog);
}

ColorWell::~ColorWell() {
    if (dialog_) dialog_->deleteLater();
}

QColorDialog* ColorWell::dialog() const {
    return dialog_.data();
}

bool ColorWell::refresh() {
    if (!read_) return false;
    const QColor bound = read_();
    if (bound == shown_) return false;
    shown_ = bound;
    if (dialog_ && dialog_->currentColor() != bound) {
        const QSignalBlocker quiet(dialog_.data());
        dialog_->setCurrentColor(bound);
    }
    update();
    return true;
}

void ColorWell::openDialog() {
    if (!dialog_) {
        // Parented to the window so it stays on top of it; deleted when the well goes away.
        dialog_ = new QColorDialog(shown_, window());
        dialog_->setWindowTitle(dialogTitle_);
        // Live, like a colour panel: no buttons, alpha included, and Qt's own dialog because
        // only that one reports every change while it is open.
        dialog_->setOptions(QColorDialog::ShowAlphaChannel | QColorDialog::NoButtons |
                            QColorDialog::DontUseNativeDialog);
        connect(dialog_, &QColorDialog::currentColorChanged, this, &ColorWell::picked);
    } else {
        const QSignalBlocker quiet(dialog_.data());
        dialog_->setCurrentColor(shown_);
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void ColorWell::picked(const QColor& color) {
    // The dialog repeats a change as each of its fields catches up; one write per colour.
    if (!color.isValid() || color == shown_) return;
    shown_ = color;
    if (write_) write_(color);
    update();
}

QSize ColorWell::sizeHint() const {
    return {kWidth, 30};
}

void ColorWell::paintEvent(QPaintEvent*) {
    const Palette& pal = Palette::current();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath field;
    field.addRoundedRect(outer, 8, 8);
    p.fillPath(field, pal.controlColor);
    if (underMouse()) p.fillPath(field, pal.dark ? QColor(255, 255, 255, 14) : QColor(0, 0, 0, 8));

    // The swatch: a checkerboard under the colour, so a translucent colour reads as one.
    const QRectF swatch = outer.adjusted(4, 4, -outer.width() + 4 + 44, -4);
    QPainterPath chip;
    chip.addRoundedRect(swatch, 5, 5);
    p.save();
    p.setClipPath(chip);
    p.fillRect(swatch, QColor(255, 255, 255));
    const qreal cell = 5;
    for (int row = 0; row * cell < swatch.height(); ++row)
        for (int col = 0; col * cell < swatch.width(); ++col)
            if ((row + col) % 2)
                p.fillRect(
                    QRectF(swatch.left() + col * cell, swatch.top() + row * cell, cell, cell),
                    QColor(0xD8, 0xD8, 0xD8));
    p.fillRect(swatch, shown_);
    p.restore();
    p.setPen(QPen(pal.hairline, 1));
    p.drawPath(chip);

    // Hex value and opacity beside the swatch, as a designer reads a colour.
    const QColor rgb = shown_.toRgb();
    const QString hex = rgb.name(QColor::HexRgb).toUpper();
    const QString alpha = QStringLiteral("%1%").arg(qRound(rgb.alphaF() * 100));
    const QRectF text = outer.adjusted(swatch.width() + 14, 0, -10, 0);
    QFont mono = textFont(TextStyle::caption, QFont::Medium);
    mono.setStyleHint(QFont::Monospace);
    mono.setFamilies({QStringLiteral("JetBrains Mono"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("Menlo"), QStringLiteral("monospace")});
    p.setFont(mono);
    p.setPen(pal.primaryText);
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, hex);
    p.setFont(textFont(TextStyle::caption));
    p.setPen(pal.secondaryText);
    p.drawText(text, Qt::AlignVCenter | Qt::AlignRight, alpha);
    p.setPen(QPen(pal.hairline, 1));
    p.drawPath(field);
    if (showsFocusRing(*this)) paintFocusRing(p, outer.adjusted(2, 2, -2, -2), 6);
}

}  // namespace kestro
