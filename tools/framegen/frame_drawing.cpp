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

// A tablet's button on its top edge: the same metal profile as a side button, turned.
void drawTopButton(cairo_t* cr, const FrameGeometry& g, const Colourway& c, double from,
                   double to) {
    const auto& b = g.body;
    const double x0 = b.x + b.w * from, x1 = b.x + b.w * to;
    const double tuck = 12;
    const double p = kButtonProtrusion;
    roundedRect(cr, x0, b.y - p, x1 - x0, p + tuck, std::min(p * 0.9, (x1 - x0) / 2));
    PatternPtr pat(cairo_pattern_create_linear(0, b.y - p, 0, b.y));
    addStop(pat.get(), 0.0, shade(c.metal, -0.45));
    addStop(pat.get(), 0.25, shade(c.metal, 0.30));
    addStop(pat.get(), 0.6, shade(c.metal, 0.02));
    addStop(pat.get(), 1.0, shade(c.metal, -0.25));
    cairo_set_source(cr, pat.get());
    cairo_fill(cr);
}

void drawButtons(cairo_t* cr, const FrameGeometry& g, const DeviceModel& m, const Colourway& c) {
    const double p = kButtonProtrusion;
    if (isTablet(m)) {
        for (const auto& button : m.edgeButtons) {
            if (button.edge == Edge::top)
                drawTopButton(cr, g, c, button.from, button.to);
            else
                drawButton(cr, g, c, +1, button.from, button.to, p);
        }
        return;
    }
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

// The Dynamic Island: a black pill drawn over the display, as the phone shows it over whatever
// runs beneath. The camera behind it shows only as a faint darker lens at its right end.
void drawIsland(cairo_t* cr, const FrameGeometry& g, const DynamicIsland& island) {
    if (island.width <= 0) return;
    const auto& o = g.opening;
    const double x = o.x + (o.w - island.width) / 2, y = o.y + island.top;
    roundedRect(cr, x, y, island.width, island.height, island.height / 2);
    cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
    cairo_fill(cr);
    const double r = island.height * 0.24;
    const double cx = x + island.width - island.height / 2, cy = y + island.height / 2;
    cairo_arc(cr, cx, cy, r, 0, 2 * std::numbers::pi);
    PatternPtr lens(cairo_pattern_create_radial(cx - r * 0.3, cy - r * 0.3, 0, cx, cy, r));
    cairo_pattern_add_color_stop_rgb(lens.get(), 0.0, 0.10, 0.11, 0.16);
    cairo_pattern_add_color_stop_rgb(lens.get(), 1.0, 0.02, 0.02, 0.03);
    cairo_set_source(cr, lens.get());
    cairo_fill(cr);
}

// A tablet's front camera in the bezel: centred above the display (short edge) or beside it on
// the right (long edge).
void drawBezelCamera(cairo_t* cr, const FrameGeometry& g, BezelCamera where) {
    if (where == BezelCamera::none) return;
    const auto& b = g.body;
    const auto& o = g.opening;
    const double cx =
        where == BezelCamera::shortEdge ? o.x + o.w / 2.0 : (o.x + o.w + b.x + b.w) / 2.0;
    const double cy = where == BezelCamera::shortEdge ? (b.y + o.y) / 2.0 : o.y + o.h / 2.0;
    const double r = std::min(o.x - b.x, o.y - b.y) * 0.12;
    cairo_arc(cr, cx, cy, r, 0, 2 * std::numbers::pi);
    cairo_set_source_rgb(cr, 0.06, 0.07, 0.10);
    cairo_fill(cr);
    cairo_arc(cr, cx - r * 0.3, cy - r * 0.3, r * 0.25, 0, 2 * std::numbers::pi);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.25);
    cairo_fill(cr);
}

// Fine streaks along the band, as brushed metal shows them, and a polished highlight along the
// outer edge where the light from the upper left catches it. Both faint: they give the band a
// material without turning it into a pattern.
void drawMaterial(cairo_t* cr, const FrameGeometry& g, double bodyRadius, double band,
                  const DeviceModel& m) {
    const auto& b = g.body;
    cairo_save(cr);
    continuousRoundedRect(cr, b.x, b.y, b.w, b.h, bodyRadius);
    continuousRoundedRect(cr, b.x + band, b.y + band, b.w - 2 * band, b.h - 2 * band,
                          bodyRadius - band);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    if (m.finish == Finish::aluminium) {
        // A fixed sequence, so every build draws the same streaks.
        unsigned state = 0x2545F491u;
        auto next = [&state] {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            return (state % 1000) / 1000.0;
        };
        cairo_set_line_width(cr, 1.0);
        for (double y = b.y; y < b.y + b.h; y += 2.0) {
            const double v = next();
            cairo_move_to(cr, b.x, y + 0.5);
            cairo_line_to(cr, b.x + b.w, y + 0.5);
            cairo_set_source_rgba(cr, v > 0.5 ? 1 : 0, v > 0.5 ? 1 : 0, v > 0.5 ? 1 : 0,
                                  0.02 + 0.03 * std::abs(v - 0.5));
            cairo_stroke(cr);
        }
    }
    cairo_restore(cr);
    // The polished rim: brightest along the top and left, fading toward the far corner.
    continuousRoundedRect(cr, b.x + 1.2, b.y + 1.2, b.w - 2.4, b.h - 2.4, bodyRadius - 1.2);
    PatternPtr rim(cairo_pattern_create_linear(b.x, b.y, b.x + b.w, b.y + b.h));
    cairo_pattern_add_color_stop_rgba(rim.get(), 0.0, 1, 1, 1, 0.55);
    cairo_pattern_add_color_stop_rgba(rim.get(), 0.45, 1, 1, 1, 0.12);
    cairo_pattern_add_color_stop_rgba(rim.get(), 1.0, 1, 1, 1, 0.04);
    cairo_set_source(cr, rim.get());
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
}

}  // namespace

SurfacePtr drawFrame(const DeviceModel& model, const Colourway& colour) {
    const FrameGeometry g = geometryOf(model);
    SurfacePtr surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, g.canvasWidth, g.canvasHeight));
    ContextPtr cr(cairo_create(surface.get()));
    const double margin = g.opening.x - g.body.x;
    const double bodyRadius = model.displayCornerRadius + margin;
    // A tablet's wide bezel is glass, not metal: its band stays as thin as a phone's.
    const double band = std::clamp(std::round(margin * 0.4), 16.0, isTablet(model) ? 20.0 : 24.0);

    drawButtons(cr.get(), g, model, colour);
    drawBand(cr.get(), g, bodyRadius, band, model, colour);
    drawMaterial(cr.get(), g, bodyRadius, band, model);
    drawBezel(cr.get(), g, bodyRadius, band, model.displayCornerRadius);
    drawBezelCamera(cr.get(), g, model.bezelCamera);
    drawPunchHole(cr.get(), g, model.hole);
    drawIsland(cr.get(), g, model.island);
    cairo_surface_flush(surface.get());
    return surface;
}

}  // namespace kestro::framegen
