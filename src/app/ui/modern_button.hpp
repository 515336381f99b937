#pragma once
// The one button look of the editor: five variants (what the button means) and three sizes.
// ModernButtonStyle holds the constants; ModernButton paints them, including the pressed look
// (shrinks to 96 % and fades to 90 % over 0.15 s). A disabled button is drawn in neutral
// colours whose label still reads (at least 4.5 : 1 against its fill, in both appearances),
// rather than faded out; a busy one (a running export) keeps its colours.

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QMarginsF>

class QVariantAnimation;

namespace kestro {

struct Palette;

struct ModernButtonStyle {
    enum class Variant { primary, secondary, destructive, ghost, accent };
    enum class Size { small, medium, large };

    Variant variant = Variant::primary;
    Size size = Size::medium;

    struct Colors {
        QColor label;
        QColor fill;    // alpha 0: no fill
        QColor border;  // alpha 0: no border
        qreal borderWidth = 0;
    };
    struct Metrics {
        QFont font;
        qreal verticalInset = 0;
        qreal horizontalInset = 0;
        qreal cornerRadius = 0;
    };

    Colors colors(const Palette& palette) const;
    Colors disabledColors(const Palette& palette) const;
    Metrics metrics() const;

    static constexpr qreal kPressedScale = 0.96;
    static constexpr qreal kPressedOpacity = 0.9;
    static constexpr int kPressAnimationMs = 150;
};

class ModernButton : public QAbstractButton {
    Q_OBJECT
public:
    ModernButton(const QString& text, ModernButtonStyle style, QWidget* parent = nullptr);
    ModernButton(const QString& symbol, const QString& text, ModernButtonStyle style,
                 QWidget* parent = nullptr);

    void setSymbol(const QString& symbol);
    QString symbol() const { return symbol_; }
    void setStyleSpec(ModernButtonStyle style);
    ModernButtonStyle styleSpec() const { return style_; }
    // Shows a small spinning indicator in place of the symbol (a running export).
    void setBusy(bool busy);
    bool busy() const { return busy_; }

    // 0 at rest, 1 fully pressed; follows the pressed state with the 0.15 s ease.
    qreal pressProgress() const { return press_; }
    qreal currentScale() const;
    qreal currentOpacity() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // The rounded body inside the widget; the margins around it leave room for the shadow.
    QRectF bodyRect() const;
    static QMarginsF shadowMargins() { return {3, 2, 3, 5}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void animatePress(bool down);

    ModernButtonStyle style_;
    QString symbol_;
    qreal press_ = 0;
    QVariantAnimation* pressAnimation_ = nullptr;
    bool busy_ = false;
    int spinTimer_ = 0;
    int spinAngle_ = 0;
};

}  // namespace kestro
