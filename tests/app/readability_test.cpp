// What keeps the window readable: disabled buttons whose labels still meet the WCAG AA contrast
// for text in both appearances, and paths that keep their last component when shortened.

#include "app/ui/elided_label.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/palette.hpp"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <cmath>

namespace kestro {
namespace {

// WCAG 2 relative luminance and contrast ratio, from the sRGB components.
double luminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// `top` laid over the opaque `under`.
QColor over(const QColor& top, const QColor& under) {
    const double a = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * a + under.redF() * (1 - a)),
                            float(top.greenF() * a + under.greenF() * (1 - a)),
                            float(top.blueF() * a + under.blueF() * (1 - a)));
}

TEST(Readability, DisabledButtonLabelsMeetTheTextContrastInBothAppearances) {
    using Style = ModernButtonStyle;
    for (const Palette* pal : {&Palette::light(), &Palette::darkAppearance()}) {
        for (auto variant :
             {Style::Variant::primary, Style::Variant::secondary, Style::Variant::destructive,
              Style::Variant::ghost, Style::Variant::accent}) {
            const auto c = Style{variant, Style::Size::medium}.disabledColors(*pal);
            // Buttons sit on the cards.
            const QColor plate = over(c.fill, pal->cardBackground);
            const QColor label = over(c.label, plate);
            EXPECT_GE(contrast(label, plate), 4.5)
                << (pal->dark ? "dark " : "light ") << int(variant);
        }
    }
}

TEST(Readability, AShortenedPathKeepsItsLastFolderWhole) {
    ElidedLabel label;
    label.setText(
        QStringLiteral("/home/someone/Videos/Screen Recordings/2026/December/Kestro Takes"));
    const QFontMetrics fm(textFont(TextStyle::caption));  // the label's own text style
    label.resize(fm.horizontalAdvance(QStringLiteral("/home/…/Kestro Takes")) + 40, 20);
    const QString shown = label.displayedText();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("/Kestro Takes"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("…")));
    EXPECT_EQ(label.toolTip(), label.text());
    // Too narrow even for the last folder: it is shortened in the middle like any text.
    label.resize(fm.horizontalAdvance(QStringLiteral("Kes…kes")), 20);
    EXPECT_LE(fm.horizontalAdvance(label.displayedText()), label.width());
}

}  // namespace
}  // namespace kestro
