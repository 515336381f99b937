#include "cairo_util.hpp"

#include <algorithm>

namespace kestro::framegen {

namespace {

struct Vec {
    double x, y;
};

// One corner of a continuous rounded rectangle. `corner` is the rectangle's corner point,
// `in` the direction of travel along the incoming edge, `out` along the outgoing edge.
// The coefficients describe the classic continuous corner as three cubic segments.
void corner(cairo_t* cr, Vec corner, Vec in, Vec out, double r) {
    auto at = [&](double back, double along) {
        return Vec{corner.x - back * r * in.x + along * r * out.x,
                   corner.y - back * r * in.y + along * r * out.y};
    };
    auto curve = [&](Vec a, Vec b, Vec c) { cairo_curve_to(cr, a.x, a.y, b.x, b.y, c.x, c.y); };
    const Vec start = at(1.52866483, 0);
    cairo_line_to(cr, start.x, start.y);
    curve(at(1.08849296, 0), at(0.86840694, 0), at(0.63149399, 0.07491100));
    curve(at(0.37282383, 0.16905956), at(0.16905956, 0.37282383), at(0.07491100, 0.63149399));
    curve(at(0, 0.86840694), at(0, 1.08849296), at(0, 1.52866483));
}

}  // namespace

void continuousRoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius) {
    const double r = std::clamp(radius, 0.0, std::min(w, h) / 2 / 1.52866483);
    cairo_new_sub_path(cr);
    cairo_move_to(cr, x + 1.52866483 * r, y);
    corner(cr, {x + w, y}, {1, 0}, {0, 1}, r);
    corner(cr, {x + w, y + h}, {0, 1}, {-1, 0}, r);
    corner(cr, {x, y + h}, {-1, 0}, {0, -1}, r);
    corner(cr, {x, y}, {0, -1}, {1, 0}, r);
    cairo_close_path(cr);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double radius) {
    const double r = std::clamp(radius, 0.0, std::min(w, h) / 2);
    constexpr double kPi = 3.14159265358979323846;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
}

Rgb shade(Rgb c, double amount) {
    const double a = std::clamp(amount, -1.0, 1.0);
    auto mix = [a](double v) { return a >= 0 ? v + (1 - v) * a : v * (1 + a); };
    return {mix(c.r), mix(c.g), mix(c.b)};
}

void addStop(cairo_pattern_t* p, double offset, Rgb c, double alpha) {
    cairo_pattern_add_color_stop_rgba(p, offset, c.r, c.g, c.b, alpha);
}

}  // namespace kestro::framegen
