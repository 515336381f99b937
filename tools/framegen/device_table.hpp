#pragma once
// The devices the frame generator draws, with everything needed to draw them and to check the
// result: published body size, native display resolution, display corner radius, which controls
// sit on the sides, and the colours we ship. Header-only so that tests can read the same numbers
// the generator used.

#include <array>
#include <cmath>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestro::framegen {

struct Rgb {
    double r = 0, g = 0, b = 0;  // 0..1, sRGB
};

constexpr Rgb hex(unsigned v) {
    return {((v >> 16) & 0xff) / 255.0, ((v >> 8) & 0xff) / 255.0, (v & 0xff) / 255.0};
}

// How the edge band reflects light: anodised aluminium shows a narrow bright highlight,
// brushed titanium a broader, softer sheen.
enum class Finish { aluminium, titanium };

// Left-hand control above the volume buttons.
enum class LeftControl { ringSwitch, actionButton };

struct Colourway {
    std::string_view slug;     // file-name part: lower case, words joined by '_'
    std::string_view display;  // how the colour reads in a label
    Rgb metal;                 // the edge band's base colour
};

struct DeviceModel {
    std::string_view name;      // "iPhone 16 Pro"
    std::string_view fileStem;  // "iphone16pro" ("iphone16pro_max" for the largest Pro)
    double bodyWidthMm;         // published dimensions
    double bodyHeightMm;
    int displayWidth;  // native resolution in pixels: the opening, one to one
    int displayHeight;
    double displayCornerRadius;  // pixels
    Finish finish;
    LeftControl leftControl;
    bool cameraControl;
    std::span<const Colourway> colours;
};

namespace colours {
// iPhone 15 / 15 Plus: pastel aluminium, dyed back glass.
inline constexpr Colourway k15[] = {
    {"black", "Black", hex(0x3d4042)},
    {"pink", "Pink", hex(0xe9ccd0)},
};
inline constexpr Colourway k15Plus[] = {
    {"blue", "Blue", hex(0xc9d6dc)},
    {"yellow", "Yellow", hex(0xe9e1bf)},
};
inline constexpr Colourway k15Pro[] = {
    {"natural_titanium", "Natural Titanium", hex(0xb8b2a6)},
    {"blue_titanium", "Blue Titanium", hex(0x454c5c)},
};
inline constexpr Colourway k15ProMax[] = {
    {"black_titanium", "Black Titanium", hex(0x46464a)},
    {"white_titanium", "White Titanium", hex(0xdedcd6)},
};
inline constexpr Colourway k16[] = {
    {"ultramarine", "Ultramarine", hex(0x6673d8)},
    {"black", "Black", hex(0x3a3a3c)},
};
inline constexpr Colourway k16Plus[] = {
    {"teal", "Teal", hex(0x8fc2bd)},
    {"pink", "Pink", hex(0xeaa9c6)},
};
inline constexpr Colourway k16Pro[] = {
    {"desert_titanium", "Desert Titanium", hex(0xbfa48e)},
    {"black_titanium", "Black Titanium", hex(0x434346)},
};
inline constexpr Colourway k16ProMax[] = {
    {"black_titanium", "Black Titanium", hex(0x434346)},
    {"natural_titanium", "Natural Titanium", hex(0xb7b1a5)},
    {"white_titanium", "White Titanium", hex(0xdcdad4)},
};
inline constexpr Colourway k17[] = {
    {"lavender", "Lavender", hex(0xc6b8dc)},
    {"sage", "Sage", hex(0xa9b59b)},
    {"mist_blue", "Mist Blue", hex(0xa4b6cf)},
};
inline constexpr Colourway k17Pro[] = {
    {"cosmic_orange", "Cosmic Orange", hex(0xe8702f)},
    {"deep_blue", "Deep Blue", hex(0x34405c)},
    {"silver", "Silver", hex(0xdcdde0)},
};
inline constexpr Colourway k17ProMax[] = {
    {"cosmic_orange", "Cosmic Orange", hex(0xe8702f)},
    {"deep_blue", "Deep Blue", hex(0x34405c)},
};
inline constexpr Colourway kAir[] = {
    {"sky_blue", "Sky Blue", hex(0xc9dcec)},
    {"light_gold", "Light Gold", hex(0xe6d5b6)},
    {"space_black", "Space Black", hex(0x2c2c2e)},
};
}  // namespace colours

// Display corner radii: 55 pt on the 15 generation and the 16/16 Plus, 62 pt on the rest, at
// 3 pixels per point.
inline constexpr double kRadius55 = 165.0;
inline constexpr double kRadius62 = 186.0;

using enum Finish;
using enum LeftControl;

// Catalogue order: plain, Plus, Pro, Pro Max within each generation, the Air last.
inline const std::array<DeviceModel, 12> kDevices = {{
    {"iPhone 15", "iphone15", 71.6, 147.6, 1179, 2556, kRadius55, aluminium, ringSwitch, false,
     colours::k15},
    {"iPhone 15 Plus", "iphone15plus", 77.8, 160.9, 1290, 2796, kRadius55, aluminium, ringSwitch,
     false, colours::k15Plus},
    {"iPhone 15 Pro", "iphone15pro", 70.6, 146.6, 1179, 2556, kRadius55, titanium, actionButton,
     false, colours::k15Pro},
    {"iPhone 15 Pro Max", "iphone15pro_max", 76.7, 159.9, 1290, 2796, kRadius55, titanium,
     actionButton, false, colours::k15ProMax},
    {"iPhone 16", "iphone16", 71.6, 147.6, 1179, 2556, kRadius55, aluminium, actionButton, true,
     colours::k16},
    {"iPhone 16 Plus", "iphone16plus", 77.8, 160.9, 1290, 2796, kRadius55, aluminium, actionButton,
     true, colours::k16Plus},
    {"iPhone 16 Pro", "iphone16pro", 71.5, 149.6, 1206, 2622, kRadius62, titanium, actionButton,
     true, colours::k16Pro},
    {"iPhone 16 Pro Max", "iphone16pro_max", 77.6, 163.0, 1320, 2868, kRadius62, titanium,
     actionButton, true, colours::k16ProMax},
    {"iPhone 17", "iphone17", 71.5, 149.6, 1206, 2622, kRadius62, aluminium, actionButton, true,
     colours::k17},
    {"iPhone 17 Pro", "iphone17pro", 71.9, 150.0, 1206, 2622, kRadius62, aluminium, actionButton,
     true, colours::k17Pro},
    {"iPhone 17 Pro Max", "iphone17pro_max", 78.0, 163.4, 1320, 2868, kRadius62, aluminium,
     actionButton, true, colours::k17ProMax},
    // The catalogue's label rules turn "iphone 17 air" into "iPhone Air".
    {"iPhone Air", "iphone17air", 74.7, 156.2, 1260, 2736, kRadius62, titanium, actionButton, true,
     colours::kAir},
}};

// All of these displays are 460 pixels per inch, so the body in display pixels follows from
// its size in millimetres.
inline constexpr double kPixelsPerMm = 460.0 / 25.4;

// How far the side buttons stand out from the body, in pixels.
inline constexpr int kButtonProtrusion = 10;

struct PixelRect {
    int x = 0, y = 0, w = 0, h = 0;  // top-left origin
};

// Where everything lies in one frame image. The canvas is tight: the side buttons touch its
// left and right edges and the body its top and bottom, so trimming leaves it unchanged.
struct FrameGeometry {
    int canvasWidth = 0;
    int canvasHeight = 0;
    PixelRect body;
    PixelRect opening;
};

inline FrameGeometry geometryOf(const DeviceModel& m) {
    // Equal margins on both sides of the display keep the opening centred on whole pixels.
    const int marginX =
        static_cast<int>(std::lround((m.bodyWidthMm * kPixelsPerMm - m.displayWidth) / 2));
    const int marginY =
        static_cast<int>(std::lround((m.bodyHeightMm * kPixelsPerMm - m.displayHeight) / 2));
    FrameGeometry g;
    g.body = {kButtonProtrusion, 0, m.displayWidth + 2 * marginX, m.displayHeight + 2 * marginY};
    g.canvasWidth = g.body.w + 2 * kButtonProtrusion;
    g.canvasHeight = g.body.h;
    g.opening = {g.body.x + marginX, marginY, m.displayWidth, m.displayHeight};
    return g;
}

// One frame image the generator writes.
struct FrameSpec {
    const DeviceModel* model;
    const Colourway* colour;

    std::string fileName() const {
        return std::string(model->fileStem) + "_" + std::string(colour->slug) + "_portrait.png";
    }
    // The label the catalogue should derive from the file name.
    std::string intendedLabel() const {
        return std::string(model->name) + " " + std::string(colour->display);
    }
};

inline std::vector<FrameSpec> allFrames() {
    std::vector<FrameSpec> out;
    for (const auto& m : kDevices)
        for (const auto& c : m.colours) out.push_back({&m, &c});
    return out;
}

}  // namespace kestro::framegen
