#pragma once
// Small Cairo helpers shared by the frame drawing and the contact sheet: owning pointers,
// the continuous-corner rounded rectangle phones are made of, and colour shading.

#include <cairo.h>

#include <memory>

#include "device_table.hpp"

namespace kestro::framegen {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct PatternDeleter {
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;
using PatternPtr = std::unique_ptr<cairo_pattern_t, PatternDeleter>;

// Appends a closed rounded rectangle with continuous (curvature-smooth) corners, the shape of
// modern phone bodies and displays. The corner eases out of the straight edge over about
// 1.53 × radius, so a plain circular arc would look visibly too sharp next to the real thing.
void continuousRoundedRect(cairo_t* cr, double x, double y, double w, double h, double radius);

// Plain rounded rectangle with circular corners (buttons, thumbnails).
void roundedRect(cairo_t* cr, double x, double y, double w, double h, double radius);

// amount > 0 mixes toward white, < 0 toward black; |amount| <= 1.
Rgb shade(Rgb c, double amount);

void addStop(cairo_pattern_t* p, double offset, Rgb c, double alpha = 1.0);

}  // namespace kestro::framegen
