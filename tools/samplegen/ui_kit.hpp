#pragma once
// The pieces of a phone interface the sample app is built from, drawn in points.

#include <cairo.h>

#include <string>

#include "cairo_util.hpp"

namespace kestro::samplegen {

using framegen::Rgb;

inline constexpr Rgb kBlue = framegen::hex(0x007aff);
inline constexpr Rgb kLabel = framegen::hex(0x000000);
inline constexpr Rgb kSecondary = framegen::hex(0x8e8e93);
inline constexpr Rgb kSeparator = framegen::hex(0xc6c6c8);
inline constexpr Rgb kGroupedBackground = framegen::hex(0xf2f2f7);
inline constexpr Rgb kFill = framegen::hex(0xe9e9eb);

enum class Align { left, centre, right };

void setColour(cairo_t* cr, Rgb c, double alpha = 1.0);

// Draws text with its baseline at y; returns the advance width. With maxWidth > 0, text that
// does not fit is cut and ends in an ellipsis, as table cells do.
double drawText(cairo_t* cr, const std::string& text, double x, double y, double size, bool bold,
                Rgb colour, Align align = Align::left, double maxWidth = 0, double alpha = 1.0);

void drawAvatar(cairo_t* cr, double cx, double cy, double radius, const std::string& initials,
                Rgb colour);

// Time, cellular bars, Wi-Fi and battery; `dark` draws white glyphs for dark backgrounds.
void drawStatusBar(cairo_t* cr, bool dark = false);
void drawHomeIndicator(cairo_t* cr);
void drawTabBar(cairo_t* cr, int selected);

}  // namespace kestro::samplegen
