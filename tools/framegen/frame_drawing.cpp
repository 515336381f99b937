#include "frame_drawing.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

namespace kestro::framegen {

namespace {

// Light falls from the upper left: a brightness offset along the diagonal, with two soft
// reflections of the studio lights that make a metal band read as metal rather than paint.
void addLightingStops(cairo_pattern_t* p, Rgb base, double level, double contrast) {
    struct Stop {
        double at, light;
    };
    static constexpr Stop kStops[] = {{0.00, 0.30},  {0.18, 0.05}, {0.30, 0.22},  {0.42, -0.05},
                                      {0.58, -0.12}, {0.70, 0.10}, {0.84, -0.20}, {1.00, -0.30}};
    for (const auto& s : kStops) addStop(p, s.at, shade(base, level + contrast * s.light));
}

// Brightness across the band, from its outer edge (u = 0, curving away from the viewer) to the
// glass (u = 1). Aluminium shows a narrow bright line, titanium a broader sheen.
double bandProfile(double u, Finish finish) {
    const double rim = -0.35 * std::exp(-u * 9.0);           // outer edge turns away
    const double lip = -0.20 * std::exp(-(1.0 - u) * 12.0);  // shadow where glass meets
    const double width = finish == Finish::titanium ? 0.16 : 0.10;
    const double peak = finish == Finish::titanium ? 0.22 : 0.34;
    const double sheen = peak * std::exp(-std::pow((u - 0.32) / width, 2));
    return rim + lip + sheen;
}

void drawBand(cairo_t* cr, const FrameGeometry& g, double bodyRadius, double band,
              const DeviceModel& m, const Colourway& c) {
    const auto& b = g.body;
    // Base coat on the band only (painting the whole body would triple the pixel work); it
    // reaches a little under the bezel so their anti-aliased edges never leave a seam.
    {
        PatternPtr p(cairo_pattern_create_linear(b.x, b.y, b.x + b.w, b.y + b.h));
        addLightingStops(p.get(), c.metal, 0.0, 0.5);
        const double in = band + 3;
        continuousRoundedRect(cr, b.x, b.y, b.w, b.h, bodyRadius);
        continuousRoundedRect(cr, b.x + in, b.y + in, b.w - 2 * in, b.h - 2 * in, bodyRadius - in);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_set_source(cr, p.get());
        cairo_fill(cr);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    }
    // The band's rounded cross-section as thin concentric strokes, each lit along the diagonal.
    cairo_save(cr);
    continuousRoundedRect(cr, b.x, b.y, b.w, b.h, bodyRadius);
    cairo_clip(cr);
    const int steps = static_cast<int>(std::ceil(band));
    for (int i = 0; i < steps; ++i) {
        const double inset = (i + 0.5) * band / steps;
        const double u = inset / band;
        PatternPtr p(cairo_pattern_create_linear(b.x, b.y, b.x + b.w, b.y + b.h));
        addLightingStops(p.get(), c.metal, bandProfile(u, m.finish), 0.45);
        continuousRoundedRect(cr, b.x + inset, b.y + inset, b.w - 2 * inset, b.h - 2 * inset,
                              bodyRadius - inset);
        cairo_set_source(cr, p.get());
        cairo_set_line_width(cr, band / steps + 0.6);
        cairo_stroke(cr);
    }
    // Antenna breaks: short colour-matched strips across the band near the corners.
    const Rgb strip = shade(c.metal, c.metal.r + c.metal.g + c.metal.b > 1.5 ? -0.18 : 0.12);
    cairo_set_source_rgba(cr, strip.r, strip.g, strip.b, 0.85);
    const double stripW = 5.0;
    for (double fy : {0.115, 0.885}) {
        const double y = b.y + b.h * fy;
        cairo_rectangle(cr, b.x, y, band + 1, stripW);
        cairo_rectangle(cr, b.x + b.w - band - 1, y, band + 1, stripW);
    }
    cairo_rectangle(cr, b.x + b.w * 0.25, b.y + b.h - band - 1, stripW, band + 1);
    cairo_rectangle(cr, b.x + b.w * 0.75, b.y, stripW, band + 1);
    cairo_fill(cr);
    cairo_restore(cr);
}

// A side button standing out of the body: `outward` is -1 on the left, +1 on the right.
void drawButton(cairo_t* cr, const FrameGeometry& g, const Colourway& c, int outward, double top,
                double bottom, double protrusion) {
    const auto& b = g.body;
    const double y0 = b.y + b.h * top;
    const double y1 = b.y + b.h * bottom;
    const double tuck = 12;  // reaches under the body so no gap shows at the seam
    const double edge = outward < 0 ? b.x : b.x + b.w;
    const double outer = edge + outward * protrusion;
    const double x0 = outward < 0 ? outer : edge - tuck;
    const double w = protrusion + tuck;
    roundedRect(cr, x0, y0, w, y1 - y0, std::min(protrusion * 0.9, (y1 - y0) / 2));
    PatternPtr p(cairo_pattern_create_linear(outer, 0, edge, 0));
    addStop(p.get(), 0.0, shade(c.metal, -0.45));
    addStop(p.get(), 0.25, shade(c.metal, 0.30));
    addStop(p.get(), 0.6, shade(c.metal, 0.02));
    addStop(p.get(), 1.0, shade(c.metal, -0.25));
    cairo_set_source(cr, p.get());
    cairo_fill(cr);
}

// The sapphire Camera Control: a dark glass key set in a metal collar, barely proud of the edge.
void drawCameraControl(cairo_t* cr, const FrameGeometry& g, const Colourway& c) {
    const auto& b = g.body;
    const double y0 = b.y + b.h * 0.615, y1 = b.y + b.h * 0.675;
    const double edge = b.x + b.w;
    roundedRect(cr, edge - 12, y0, 12 + 5, y1 - y0, 5);
    PatternPtr collar(cairo_pattern_create_linear(edge + 5, 0, edge, 0));
    addStop(collar.get(), 0.0, shade(c.metal, -0.4));
    addStop(collar.get(), 0.4, shade(c.metal, 0.2));
    addStop(collar.get(), 1.0, shade(c.metal, -0.2));
    cairo_set_source(cr, collar.get());
    cairo_fill(cr);
    roundedRect(cr, edge - 12, y0 + 6, 12 + 4, y1 - y0 - 12, 4);
    PatternPtr glass(cairo_pattern_create_linear(edge + 4, 0, edge, 0));
    addStop(glass.get(), 0.0, hex(0x1c1c20));
    addStop(glass.get(), 0.5, hex(0x4a4c55));
    addStop(glass.get(), 1.0, hex(0x15151a));
    cairo_set_source(cr, glass.get());
    cairo_fill(cr);
}

void drawButtons(cairo_t* cr, const FrameGeometry& g, const DeviceModel& m, const Colourway& c) {
    const double p = kButtonProtrusion;
    if (m.leftControl == LeftControl::none) {
        // All on the right: a Pixel has its power key above the volume rocker, a Galaxy below.
        if (std::string_view(m.name).starts_with("Pixel")) {
            drawButton(cr, g, c, +1, 0.245, 0.300, p);
            drawButton(cr, g, c, +1, 0.335, 0.445, p);
        } else {
            drawButton(cr, g, c, +1, 0.215, 0.330, p);
            drawButton(cr, g, c, +1, 0.365, 0.420, p);
        }
        return;
    }
    if (m.leftControl == LeftControl::ringSwitch)
        drawButton(cr, g, c, -1, 0.180, 0.208, p * 0.8);
    else
        drawButton(cr, g, c, -1, 0.172, 0.214, p);
    drawButton(cr, g, c, -1, 0.262, 0.330, p);  // volume up
    drawButton(cr, g, c, -1, 0.356, 0.424, p);  // volume down
    drawButton(cr, g, c, +1, 0.268, 0.384, p);  // side button
    if (m.cameraControl) drawCameraControl(cr, g, c);
}

// The bezel is painted as a ring around the opening, so the opening itself is never touched
// and stays at alpha 0 without a clearing pass.
void bezelRing(cairo_t* cr, const FrameGeometry& g, double x, double y, double w, double h,
               double radius, double displayRadius) {
    const auto& o = g.opening;
    continuousRoundedRect(cr, x, y, w, h, radius);
    continuousRoundedRect(cr, o.x, o.y, o.w, o.h, displayRadius);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
}

void drawBezel(cairo_t* cr, const FrameGeometry& g, double bodyRadius, double band,
               double displayRadius) {
    const auto& b = g.body;
    const double x = b.x + band, y = b.y + band, w = b.w - 2 * band, h = b.h - 2 * band;
    bezelRing(cr, g, x, y, w, h, bodyRadius - band, displayRadius);
    cairo_set_source_rgb(cr, 0.02, 0.02, 0.024);
    cairo_fill(cr);
    // The cover glass catches a thin line of light along its edge, and a faint sheen.
    continuousRoundedRect(cr, x + 1.5, y + 1.5, w - 3, h - 3, bodyRadius - band - 1.5);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.16);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    bezelRing(cr, g, x, y, w, h, bodyRadius - band, displayRadius);
    PatternPtr sheen(cairo_pattern_create_linear(x, y, x + w * 0.6, y + h * 0.4));
    cairo_pattern_add_color_stop_rgba(sheen.get(), 0.0, 1, 1, 1, 0.05);
    cairo_pattern_add_color_stop_rgba(sheen.get(), 1.0, 1, 1, 1, 0.0);
    cairo_set_source(cr, sheen.get());
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

// The front camera seen through its hole in the display: black glass, a dark lens and a faint
// reflection, so it reads as a camera and not as a stain on the screen.
void drawPunchHole(cairo_t* cr, const FrameGeometry& g, const PunchHole& hole) {
    if (hole.radius <= 0) return;
    const double cx = g.opening.x + hole.x, cy = g.opening.y + hole.y;
    cairo_arc(cr, cx, cy, hole.radius, 0, 2 * std::numbers::pi);
    cairo_set_source_rgb(cr, 0.015, 0.015, 0.02);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, hole.radius * 0.55, 0, 2 * std::numbers::pi);
    PatternPtr lens(cairo_pattern_create_radial(cx - hole.radius * 0.15, cy - hole.radius * 0.15, 0,
                                                cx, cy, hole.radius * 0.55));
    cairo_pattern_add_color_stop_rgb(lens.get(), 0.0, 0.16, 0.18, 0.26);
    cairo_pattern_add_color_stop_rgb(lens.get(), 1.0, 0.03, 0.03, 0.05);
    cairo_set_source(cr, lens.get());
    cairo_fill(cr);
    cairo_arc(cr, cx - hole.radius * 0.2, cy - hole.radius * 0.2, hole.radius * 0.12, 0,
              2 * std::numbers::pi);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
    cairo_fill(cr);
}

}  // namespace

SurfacePtr drawFrame(const DeviceModel& model, const Colourway& colour) {
    const FrameGeometry g = geometryOf(model);
    SurfacePtr surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, g.canvasWidth, g.canvasHeight));
    ContextPtr cr(cairo_create(surface.get()));
    const double margin = g.opening.x - g.body.x;
    const double bodyRadius = model.displayCornerRadius + margin;
    const double band = std::clamp(std::round(margin * 0.4), 16.0, 24.0);

    drawButtons(cr.get(), g, model, colour);
    drawBand(cr.get(), g, bodyRadius, band, model, colour);
    drawBezel(cr.get(), g, bodyRadius, band, model.displayCornerRadius);
    drawPunchHole(cr.get(), g, model.hole);
    cairo_surface_flush(surface.get());
    return surface;
}

}  // namespace kestro::framegen
