#include "app/ui/palette.hpp"

#include <QApplication>
#include <QFontDatabase>
#include <QPalette>
#include <QStyleFactory>

namespace kestro {
namespace {

Palette makeLight() {
    Palette p;
    p.dark = false;
    p.controlBackground = QColor(0xF3, 0xF2, 0xEF);
    p.cardBackground = QColor(0xFF, 0xFF, 0xFF);
    p.windowBackground = QColor(0xE9, 0xE7, 0xE2);
    p.controlColor = QColor(0xFF, 0xFF, 0xFF);
    p.primaryText = QColor(0x1D, 0x1D, 0x1F);
    p.secondaryText = QColor(0x6E, 0x6E, 0x73);
    p.hairline = QColor(0, 0, 0, 28);
    p.success = QColor(0x34, 0xC7, 0x59);
    p.danger = QColor(0xFF, 0x3B, 0x30);
    p.systemBlue = QColor(0x00, 0x7A, 0xFF);
    p.thickMaterial = QColor(255, 255, 255, 228);
    p.ultraThinMaterial = QColor(255, 255, 255, 150);
    return p;
}

Palette makeDark() {
    Palette p;
    p.dark = true;
    p.controlBackground = QColor(0x15, 0x16, 0x19);
    p.cardBackground = QColor(0x1E, 0x1F, 0x23);
    p.windowBackground = QColor(0x24, 0x25, 0x2A);
    p.controlColor = QColor(0x2E, 0x2F, 0x34);
    p.primaryText = QColor(0xF5, 0xF5, 0xF7);
    p.secondaryText = QColor(0x9D, 0x9D, 0xA3);
    p.hairline = QColor(255, 255, 255, 30);
    p.success = QColor(0x30, 0xD1, 0x58);
    p.danger = QColor(0xFF, 0x45, 0x3A);
    p.systemBlue = QColor(0x0A, 0x84, 0xFF);
    p.thickMaterial = QColor(0x2A, 0x2B, 0x30, 232);
    p.ultraThinMaterial = QColor(255, 255, 255, 16);
    return p;
}

bool gDark = false;

QPalette qtPalette(const Palette& p) {
    QPalette q;
    q.setColor(QPalette::Window, p.controlBackground);
    q.setColor(QPalette::WindowText, p.primaryText);
    q.setColor(QPalette::Base, p.cardBackground);
    q.setColor(QPalette::AlternateBase, p.windowBackground);
    q.setColor(QPalette::Text, p.primaryText);
    q.setColor(QPalette::PlaceholderText, p.secondaryText);
    q.setColor(QPalette::Button, p.controlColor);
    q.setColor(QPalette::ButtonText, p.primaryText);
    q.setColor(QPalette::ToolTipBase, p.cardBackground);
    q.setColor(QPalette::ToolTipText, p.primaryText);
    q.setColor(QPalette::Highlight, p.accentTint);
    q.setColor(QPalette::HighlightedText, p.brandBlack);
    q.setColor(QPalette::Link, p.systemBlue);
    q.setColor(QPalette::Mid, p.hairline);
    q.setColor(QPalette::Light, p.dark ? QColor(0x3A, 0x3B, 0x40) : QColor(255, 255, 255));
    q.setColor(QPalette::Dark, p.dark ? QColor(0x0C, 0x0C, 0x0E) : QColor(0xC8, 0xC6, 0xC0));
    q.setColor(QPalette::Disabled, QPalette::Text, p.secondaryText);
    q.setColor(QPalette::Disabled, QPalette::WindowText, p.secondaryText);
    q.setColor(QPalette::Disabled, QPalette::ButtonText, p.secondaryText);
    return q;
}

}  // namespace

const Palette& Palette::light() {
    static const Palette p = makeLight();
    return p;
}

const Palette& Palette::darkAppearance() {
    static const Palette p = makeDark();
    return p;
}

const Palette& Palette::current() { return gDark ? darkAppearance() : light(); }

void Palette::setCurrent(bool dark) { gDark = dark; }

void Palette::apply(QApplication& app, bool dark) {
    gDark = dark;
    if (QStyle* fusion = QStyleFactory::create("Fusion")) app.setStyle(fusion);
    // Setting the application palette sends every widget a palette change, which repaints the
    // custom-painted ones reading Palette::current().
    app.setPalette(qtPalette(current()));
}

QFont textFont(TextStyle style, QFont::Weight weight) {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char* name : {"Inter", "SF Pro Text", "Cantarell", "DejaVu Sans"})
            if (families.contains(QString::fromLatin1(name))) return QString::fromLatin1(name);
        return QFont().family();
    }();
    int px = 13;
    switch (style) {
        case TextStyle::caption2: px = 10; break;
        case TextStyle::caption: px = 11; break;
        case TextStyle::subheadline: px = 12; break;
        case TextStyle::body: px = 13; break;
        case TextStyle::headline: px = 14; break;
        case TextStyle::title3: px = 16; break;
        case TextStyle::title2: px = 19; break;
    }
    QFont font(family);
    font.setPixelSize(px);
    font.setWeight(weight);
    if (style == TextStyle::headline && weight == QFont::Normal) font.setWeight(QFont::DemiBold);
    return font;
}

}  // namespace kestro
