#include "ui_kit.hpp"

#include <cmath>
#include <numbers>

#include "timeline.hpp"

namespace kestro::samplegen {

namespace {
}

void setColour(cairo_t* cr, Rgb c, double alpha) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

double drawText(cairo_t* cr, const std::string& text, double x, double y, double size, bool bold,
                Rgb colour, Align align, double maxWidth, double alpha) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    std::string shown = text;
    cairo_text_extents_t ext;
    cairo_text_extents(cr, shown.c_str(), &ext);
    if (maxWidth > 0 && ext.x_advance > maxWidth) {
        // Drop whole UTF-8 characters from the end until the text and the ellipsis fit.
        while (!shown.empty()) {
            do {
                shown.pop_back();
            } while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xc0) == 0x80);
            while (!shown.empty() && shown.back() == ' ') shown.pop_back();
            const std::string candidate = shown + "\u2026";
            cairo_text_extents(cr, candidate.c_str(), &ext);
            if (ext.x_advance <= maxWidth) break;
        }
        shown += "\u2026";
        cairo_text_extents(cr, shown.c_str(), &ext);
    }
    double left = x;
    if (align == Align::centre) left = x - ext.x_advance / 2;
    if (align == Align::right) left = x - ext.x_advance;
    setColour(cr, colour, alpha);
    cairo_move_to(cr, left, y);
    cairo_show_text(cr, shown.c_str());
    // Showing text leaves a current point; without this the next arc would start with a line.
    cairo_new_path(cr);
    return ext.x_advance;
}

void drawAvatar(cairo_t* cr, double cx, double cy, double radius, const std::string& initials,
                Rgb colour) {
    cairo_pattern_t* p = cairo_pattern_create_linear(cx, cy - radius, cx, cy + radius);
    framegen::addStop(p, 0, framegen::shade(colour, 0.22));
    framegen::addStop(p, 1, framegen::shade(colour, -0.08));
    cairo_arc(cr, cx, cy, radius, 0, 2 * std::numbers::pi);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    drawText(cr, initials, cx, cy + radius * 0.36, radius * 0.86, true, framegen::hex(0xffffff),
             Align::centre);
}

void drawStatusBar(cairo_t* cr, bool dark) {
    const Rgb ink = dark ? framegen::hex(0xffffff) : kLabel;
    drawText(cr, "9:41", 72, 38, 17, true, ink, Align::centre);
    // Cellular: four bars of rising height.
    setColour(cr, ink);
    const double base = 38, x0 = 290;
    for (int i = 0; i < 4; ++i) {
        const double h = 4.5 + 2.5 * i;
        framegen::roundedRect(cr, x0 + i * 5.2, base - h, 3.4, h, 1);
    }
    cairo_fill(cr);
    // Wi-Fi: three arcs over a dot.
    const double wx = 326, wy = base - 0.5;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 2.2);
    for (int i = 1; i <= 3; ++i) {
        cairo_arc(cr, wx, wy, 3.4 * i, -std::numbers::pi * 0.75, -std::numbers::pi * 0.25);
        cairo_stroke(cr);
    }
    cairo_arc(cr, wx, wy, 1.4, 0, 2 * std::numbers::pi);
    cairo_fill(cr);
    // Battery: outline, charge and the terminal nub.
    cairo_set_line_width(cr, 1.1);
    framegen::roundedRect(cr, 343, 27.5, 25, 12, 3.6);
    setColour(cr, ink, 0.4);
    cairo_stroke(cr);
    setColour(cr, ink);
    framegen::roundedRect(cr, 345, 29.5, 17.5, 8, 2);
    cairo_fill(cr);
    framegen::roundedRect(cr, 369, 31.5, 1.6, 4, 0.8);
    setColour(cr, ink, 0.4);
    cairo_fill(cr);
}

void drawHomeIndicator(cairo_t* cr) {
    framegen::roundedRect(cr, kWidth / 2 - 72, kHeight - 13, 144, 5, 2.5);
    setColour(cr, kLabel);
    cairo_fill(cr);
}

namespace {

// Tab glyphs: simple geometric icons in the style of the system symbols.
void tabIcon(cairo_t* cr, int index, double cx, double cy) {
    cairo_set_line_width(cr, 2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    switch (index) {
        case 0:  // speech bubble
            framegen::roundedRect(cr, cx - 13, cy - 11, 26, 19, 8);
            cairo_move_to(cr, cx - 7, cy + 6);
            cairo_line_to(cr, cx - 10, cy + 12);
            cairo_line_to(cr, cx - 1, cy + 7);
            cairo_fill(cr);
            break;
        case 1:  // handset, as a clock-like ring for calls history
            cairo_arc(cr, cx, cy, 11, 0, 2 * std::numbers::pi);
            cairo_stroke(cr);
            cairo_move_to(cr, cx, cy - 6);
            cairo_line_to(cr, cx, cy);
            cairo_line_to(cr, cx + 5, cy + 3);
            cairo_stroke(cr);
            break;
        case 2:  // person
            cairo_arc(cr, cx, cy - 5, 5.5, 0, 2 * std::numbers::pi);
            cairo_fill(cr);
            cairo_arc(cr, cx, cy + 13, 11, std::numbers::pi * 1.1, std::numbers::pi * 1.9);
            cairo_close_path(cr);
            cairo_fill(cr);
            break;
        default:  // gear: a ring with teeth
            for (int i = 0; i < 8; ++i) {
                const double a = i * std::numbers::pi / 4;
                cairo_move_to(cr, cx + 8 * std::cos(a), cy + 8 * std::sin(a));
                cairo_line_to(cr, cx + 12.5 * std::cos(a), cy + 12.5 * std::sin(a));
            }
            cairo_set_line_width(cr, 4);
            cairo_stroke(cr);
            cairo_set_line_width(cr, 3.5);
            cairo_arc(cr, cx, cy, 7.5, 0, 2 * std::numbers::pi);
            cairo_stroke(cr);
            break;
    }
}

}  // namespace

void drawTabBar(cairo_t* cr, int selected) {
    const double top = kHeight - 83;
    cairo_rectangle(cr, 0, top, kWidth, 83);
    setColour(cr, framegen::hex(0xf9f9f9), 0.94);
    cairo_fill(cr);
    cairo_rectangle(cr, 0, top, kWidth, 0.4);
    setColour(cr, framegen::hex(0xb2b2b2));
    cairo_fill(cr);
    static const char* kTitles[] = {"Chats", "Calls", "People", "Settings"};
    for (int i = 0; i < 4; ++i) {
        const double cx = kWidth / 8 * (2 * i + 1);
        const Rgb tint = i == selected ? kBlue : framegen::hex(0x999999);
        setColour(cr, tint);
        tabIcon(cr, i, cx, top + 20);
        drawText(cr, kTitles[i], cx, top + 45, 10.5, true, tint, Align::centre);
    }
    drawHomeIndicator(cr);
}

}  // namespace kestro::samplegen
