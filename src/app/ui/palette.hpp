#pragma once
// The palette and text styles every widget of the editor draws with. Two appearances (light and
// dark) share one set of roles; widgets name the role, never a literal colour, so switching the
// appearance is one call that repaints everything.

#include <QColor>
#include <QFont>

class QApplication;

namespace kestro {

// The named text sizes the layout is designed around, smallest first.
enum class TextStyle { caption2, caption, subheadline, body, headline, title3, title2 };

struct Palette {
    // Brand colours: the same in both appearances.
    QColor brandBlack{0, 0, 0};
    QColor brandNavy = QColor::fromRgbF(0.078f, 0.129f, 0.239f);
    QColor brandAmber = QColor::fromRgbF(0.988f, 0.639f, 0.067f);
    QColor brandWhite{255, 255, 255};
    // Roles that resolve to the amber brand colour; kept apart so call sites say what they mean.
    QColor accentTint = brandAmber;
    QColor accentFill = brandAmber;
    QColor iconTint = brandAmber;
    QColor warningTint = brandAmber;

    QColor controlBackground;  // the window's backdrop
    QColor cardBackground;     // the section cards sitting on the backdrop
    QColor windowBackground;   // the preview area's surface
    QColor controlColor;       // fill of secondary buttons
    QColor primaryText;
    QColor secondaryText;
    QColor hairline;  // separators and the border of secondary buttons
    QColor success;
    QColor danger;
    QColor systemBlue;
    QColor thickMaterial;      // translucent cards floating over the stage
    QColor ultraThinMaterial;  // chips and round buttons

    bool dark = false;

    static const Palette& light();
    static const Palette& darkAppearance();
    // The appearance currently applied to the application.
    static const Palette& current();
    // Switches the appearance: Fusion style, the Qt palette and every widget's repaint.
    static void apply(QApplication& app, bool dark);
    static void setCurrent(bool dark);
};

// The font of a text style; Inter when it is installed, else the platform's sans-serif.
QFont textFont(TextStyle style, QFont::Weight weight = QFont::Normal);

}  // namespace kestro
