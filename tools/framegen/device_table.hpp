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

// Left-hand control above the volume buttons; `none` for phones whose buttons are all on the
// right (the Android phones).
enum class LeftControl { ringSwitch, actionButton, none };

// The front camera inside an Android phone's screen opening: a round hole in the display.
// Centre in pixels from the opening's top-left corner; no hole when the radius is 0. A hole on
// the opening's centre column is stepped around by the opening detection.
struct PunchHole {
    double x = 0, y = 0, radius = 0;
};

// The iPhone's Dynamic Island: a black pill over the top of the display, centred on it. In
// pixels: its top edge below the opening's top, its width and height; none when the width is 0.
struct DynamicIsland {
    double top = 0, width = 0, height = 0;
};

// Where a tablet's front camera sits in the bezel of the portrait picture: above the display
// (short edge) or beside it on the right (long edge), so that the landscape turn, which brings
// the right edge to the top, puts a long-edge camera above the display.
enum class BezelCamera { none, shortEdge, longEdge };

// A tablet's button: on the top or right edge of the portrait picture, from and to as fractions
// of that edge (from the left, or from the top).
enum class Edge { top, right };
struct EdgeButton {
    Edge edge;
    double from, to;
};

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
    double pixelsPerInch = 460.0;  // every iPhone here is 460 ppi
    PunchHole hole{};
    DynamicIsland island{};
    BezelCamera bezelCamera = BezelCamera::none;  // tablets only
    std::span<const EdgeButton> edgeButtons{};    // tablets only
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
// Android phones: the catalogue derives "Pixel 9 Pro Obsidian" from "pixel9pro_obsidian".
inline constexpr Colourway kPixel9[] = {
    {"obsidian", "Obsidian", hex(0x2d2e30)},
    {"porcelain", "Porcelain", hex(0xe6e1d6)},
};
inline constexpr Colourway kPixel9Pro[] = {
    {"obsidian", "Obsidian", hex(0x2d2e30)},
    {"hazel", "Hazel", hex(0x8f9488)},
};
inline constexpr Colourway kGalaxyS24[] = {
    {"onyx_black", "Onyx Black", hex(0x2f3033)},
    {"marble_grey", "Marble Grey", hex(0xc9c7c2)},
};
inline constexpr Colourway kGalaxyS24Ultra[] = {
    {"titanium_black", "Titanium Black", hex(0x3a3a3c)},
    {"titanium_gray", "Titanium Gray", hex(0x8e8c88)},
};
// Tablets.
inline constexpr Colourway kIpadPro[] = {
    {"space_black", "Space Black", hex(0x2e2e30)},
    {"silver", "Silver", hex(0xe3e4e5)},
};
inline constexpr Colourway kIpadAir[] = {
    {"blue", "Blue", hex(0xa9c0d8)},
    {"purple", "Purple", hex(0xcfc3dc)},
};
inline constexpr Colourway kIpadMini[] = {
    {"blue", "Blue", hex(0xb8c6d6)},
    {"purple", "Purple", hex(0xc9bfdc)},
};
inline constexpr Colourway kIpad[] = {
    {"blue", "Blue", hex(0x8ab0d4)},
    {"yellow", "Yellow", hex(0xf0db7e)},
};
inline constexpr Colourway kPixelTablet[] = {
    {"porcelain", "Porcelain", hex(0xe6e1d6)},
    {"hazel", "Hazel", hex(0x8f9488)},
};
inline constexpr Colourway kGalaxyTabS9[] = {
    {"graphite", "Graphite", hex(0x3c3d40)},
    {"beige", "Beige", hex(0xd9cfc0)},
};
inline constexpr Colourway kGalaxyTabS10[] = {
    {"moonstone_gray", "Moonstone Gray", hex(0x5a5c60)},
    {"platinum_silver", "Platinum Silver", hex(0xd5d6d8)},
};
}  // namespace colours

// Tablet buttons, in the portrait picture.
namespace buttons {
// Top button at the top edge's right end, volume keys on the right edge near the top.
inline constexpr EdgeButton kIpadPro[] = {
    {Edge::top, 0.80, 0.90}, {Edge::right, 0.07, 0.12}, {Edge::right, 0.13, 0.18}};
// Top button and both volume keys along the top edge, at its right end.
inline constexpr EdgeButton kIpadTopEdge[] = {
    {Edge::top, 0.84, 0.93}, {Edge::top, 0.62, 0.70}, {Edge::top, 0.71, 0.79}};
// Power key, then the volume rocker, on the edge that is the top in landscape.
inline constexpr EdgeButton kPixelTablet[] = {{Edge::right, 0.06, 0.12}, {Edge::top, 0.70, 0.86}};
inline constexpr EdgeButton kGalaxyTab[] = {{Edge::right, 0.70, 0.76}, {Edge::right, 0.78, 0.88}};
}  // namespace buttons

// The island as the iPhones from the 14 Pro on draw it: 126 x 37.33 points, 11.33 points below
// the top of the display, at 3 pixels per point.
inline constexpr DynamicIsland kIsland{34, 378, 112};

// Display corner radii: 55 pt on the 15 generation and the 16/16 Plus, 62 pt on the rest, at
// 3 pixels per point.
inline constexpr double kRadius55 = 165.0;
inline constexpr double kRadius62 = 186.0;

using enum Finish;
using enum LeftControl;

// Catalogue order: plain, Plus, Pro, Pro Max within each generation, the Air last.
inline const std::array<DeviceModel, 12> kDevices = {{
    {"iPhone 15", "iphone15", 71.6, 147.6, 1179, 2556, kRadius55, aluminium, ringSwitch, false,
     colours::k15, 460.0, {}, kIsland},
    {"iPhone 15 Plus", "iphone15plus", 77.8, 160.9, 1290, 2796, kRadius55, aluminium, ringSwitch,
     false, colours::k15Plus, 460.0, {}, kIsland},
    {"iPhone 15 Pro", "iphone15pro", 70.6, 146.6, 1179, 2556, kRadius55, titanium, actionButton,
     false, colours::k15Pro, 460.0, {}, kIsland},
    {"iPhone 15 Pro Max", "iphone15pro_max", 76.7, 159.9, 1290, 2796, kRadius55, titanium,
     actionButton, false, colours::k15ProMax, 460.0, {}, kIsland},
    {"iPhone 16", "iphone16", 71.6, 147.6, 1179, 2556, kRadius55, aluminium, actionButton, true,
     colours::k16, 460.0, {}, kIsland},
    {"iPhone 16 Plus", "iphone16plus", 77.8, 160.9, 1290, 2796, kRadius55, aluminium, actionButton,
     true, colours::k16Plus, 460.0, {}, kIsland},
    {"iPhone 16 Pro", "iphone16pro", 71.5, 149.6, 1206, 2622, kRadius62, titanium, actionButton,
     true, colours::k16Pro, 460.0, {}, kIsland},
    {"iPhone 16 Pro Max", "iphone16pro_max", 77.6, 163.0, 1320, 2868, kRadius62, titanium,
     actionButton, true, colours::k16ProMax, 460.0, {}, kIsland},
    {"iPhone 17", "iphone17", 71.5, 149.6, 1206, 2622, kRadius62, aluminium, actionButton, true,
     colours::k17, 460.0, {}, kIsland},
    {"iPhone 17 Pro", "iphone17pro", 71.9, 150.0, 1206, 2622, kRadius62, aluminium, actionButton,
     true, colours::k17Pro, 460.0, {}, kIsland},
    {"iPhone 17 Pro Max", "iphone17pro_max", 78.0, 163.4, 1320, 2868, kRadius62, aluminium,
     actionButton, true, colours::k17ProMax, 460.0, {}, kIsland},
    // The catalogue's label rules turn "iphone 17 air" into "iPhone Air".
    {"iPhone Air", "iphone17air", 74.7, 156.2, 1260, 2736, kRadius62, titanium, actionButton, true,
     colours::kAir, 460.0, {}, kIsland},
}};

// Android phones, after the iPhones: published body size and native resolution at each
// display's own density. Every one has its front camera in a hole centred near the top.
inline const std::array<DeviceModel, 4> kAndroidDevices = {{
    {"Pixel 9",
     "pixel9",
     72.0,
     152.8,
     1080,
     2424,
     120.0,
     aluminium,
     LeftControl::none,
     false,
     colours::kPixel9,
     422.0,
     {540, 66, 25}},
    {"Pixel 9 Pro",
     "pixel9pro",
     72.0,
     152.8,
     1280,
     2856,
     140.0,
     aluminium,
     LeftControl::none,
     false,
     colours::kPixel9Pro,
     495.0,
     {640, 80, 30}},
    {"Galaxy S 24",
     "galaxy_s24",
     70.6,
     147.0,
     1080,
     2340,
     110.0,
     aluminium,
     LeftControl::none,
     false,
     colours::kGalaxyS24,
     416.0,
     {540, 58, 22}},
    {"Galaxy S 24 Ultra",
     "galaxy_s24ultra",
     79.0,
     162.3,
     1440,
     3120,
     36.0,
     titanium,
     LeftControl::none,
     false,
     colours::kGalaxyS24Ultra,
     505.0,
     {720, 70, 26}},
}};

// Tablets, after the phones: iPads, then the Android ones. Sizes and densities from the makers'
// published specifications. Display corner radii at 2 pixels per point on iPads (18 points,
// 21.5 on the mini).
inline const std::array<DeviceModel, 9> kTablets = {{
    {.name = "iPad Pro 11 M4", .fileStem = "ipad_pro_11_m4", .bodyWidthMm = 177.5,
     .bodyHeightMm = 249.7, .displayWidth = 1668, .displayHeight = 2420,
     .displayCornerRadius = 36, .finish = aluminium, .leftControl = LeftControl::none,
     .cameraControl = false, .colours = colours::kIpadPro, .pixelsPerInch = 264,
     .bezelCamera = BezelCamera::longEdge, .edgeButtons = buttons::kIpadPro},
    {.name = "iPad Pro 13 M4", .fileStem = "ipad_pro_13_m4", .bodyWidthMm = 215.5,
     .bodyHeightMm = 281.6, .displayWidth = 2064, .displayHeight = 2752,
     .displayCornerRadius = 36, .finish = aluminium, .leftControl = LeftControl::none,
     .cameraControl = false, .colours = colours::kIpadPro, .pixelsPerInch = 264,
     .bezelCamera = BezelCamera::longEdge, .edgeButtons = buttons::kIpadPro},
    {.name = "iPad Air 11", .fileStem = "ipad_air_11", .bodyWidthMm = 178.5,
     .bodyHeightMm = 247.6, .displayWidth = 1640, .displayHeight = 2360,
     .displayCornerRadius = 36, .finish = aluminium, .leftControl = LeftControl::none,
     .cameraControl = false, .colours = colours::kIpadAir, .pixelsPerInch = 264,
     .bezelCamera = BezelCamera::longEdge, .edgeButtons = buttons::kIpadTopEdge},
    {.name = "iPad Air 13", .fileStem = "ipad_air_13", .bodyWidthMm = 214.9,
     .bodyHeightMm = 280.6, .displayWidth = 2048, .displayHeight = 2732,
     .displayCornerRadius = 36, .finish = aluminium, .leftControl = LeftControl::none,
     .cameraControl = false, .colours = colours::kIpadAir, .pixelsPerInch = 264,
     .bezelCamera = BezelCamera::longEdge, .edgeButtons = buttons::kIpadTopEdge},
    {.name = "iPad mini A17 Pro", .fileStem = "ipad_mini_a17pro", .bodyWidthMm = 134.8,
     .bodyHeightMm = 195.4, .displayWidth = 1488, .displayHeight = 2266,
     .displayCornerRadius = 43, .finish = aluminium, .leftControl = LeftControl::none,
     .cameraControl = false, .colours = colours::kIpadMini, .pixelsPerInch = 326,
     .bezelCamera = BezelCamera::shortEdge, .edgeButtons = buttons::kIpadTopEdge},
    {.name = "iPad A16", .fileStem = "ipad_a16", .bodyWidthMm = 179.5, .bodyHeightMm = 248.6,
     .displayWidth = 1640, .displayHeight = 2360, .displayCornerRadius = 36, .finish = aluminium,
     .leftControl = LeftControl::none, .cameraControl = false, .colours = colours::kIpad,
     .pixelsPerInch = 264, .bezelCamera = BezelCamera::longEdge,
     .edgeButtons = buttons::kIpadTopEdge},
    {.name = "Pixel Tablet", .fileStem = "pixel_tablet", .bodyWidthMm = 169.0,
     .bodyHeightMm = 258.0, .displayWidth = 1600, .displayHeight = 2560,
     .displayCornerRadius = 48, .finish = aluminium, .leftControl = LeftControl::none,
     .cameraControl = false, .colours = colours::kPixelTablet, .pixelsPerInch = 276,
     .bezelCamera = BezelCamera::longEdge, .edgeButtons = buttons::kPixelTablet},
    {.name = "Galaxy Tab S 9", .fileStem = "galaxy_tab_s9", .bodyWidthMm = 165.8,
     .bodyHeightMm = 254.3, .displayWidth = 1600, .displayHeight = 2560,
     .displayCornerRadius = 40, .finish = aluminium, .leftControl = LeftControl::none,
     .cameraControl = false, .colours = colours::kGalaxyTabS9, .pixelsPerInch = 274,
     .bezelCamera = BezelCamera::longEdge, .edgeButtons = buttons::kGalaxyTab},
    {.name = "Galaxy Tab S 10 Plus", .fileStem = "galaxy_tab_s10plus", .bodyWidthMm = 185.4,
     .bodyHeightMm = 285.4, .displayWidth = 1752, .displayHeight = 2800,
     .displayCornerRadius = 40, .finish = aluminium, .leftControl = LeftControl::none,
     .cameraControl = false, .colours = colours::kGalaxyTabS10, .pixelsPerInch = 266,
     .bezelCamera = BezelCamera::longEdge, .edgeButtons = buttons::kGalaxyTab},
}};

inline bool isTablet(const DeviceModel& m) {
    return m.bezelCamera != BezelCamera::none;
}

// The body in display pixels follows from its size in millimetres at the display's density.
inline double pixelsPerMm(const DeviceModel& m) {
    return m.pixelsPerInch / 25.4;
}

inline bool buttonsOnBothSides(const DeviceModel& m) {
    return m.leftControl != LeftControl::none;
}

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

inline bool hasEdgeButton(const DeviceModel& m, Edge edge) {
    for (const auto& b : m.edgeButtons)
        if (b.edge == edge) return true;
    return false;
}

inline FrameGeometry geometryOf(const DeviceModel& m) {
    // Equal margins on both sides of the display keep the opening centred on whole pixels.
    const int marginX =
        static_cast<int>(std::lround((m.bodyWidthMm * pixelsPerMm(m) - m.displayWidth) / 2));
    const int marginY =
        static_cast<int>(std::lround((m.bodyHeightMm * pixelsPerMm(m) - m.displayHeight) / 2));
    // Without buttons on the left the body itself is the canvas's left edge; a phone always has
    // buttons on the right, a tablet where its table says.
    const int left = buttonsOnBothSides(m) ? kButtonProtrusion : 0;
    const int right = !isTablet(m) || hasEdgeButton(m, Edge::right) ? kButtonProtrusion : 0;
    const int top = isTablet(m) && hasEdgeButton(m, Edge::top) ? kButtonProtrusion : 0;
    FrameGeometry g;
    g.body = {left, top, m.displayWidth + 2 * marginX, m.displayHeight + 2 * marginY};
    g.canvasWidth = g.body.w + left + right;
    g.canvasHeight = g.body.h + top;
    g.opening = {g.body.x + marginX, top + marginY, m.displayWidth, m.displayHeight};
    return g;
}

// One frame image the generator writes.
struct FrameSpec {
    const DeviceModel* model;
    const Colourway* colour;

    // iPhone frames say "portrait", which the catalogue needs to list them; Android frame names
    // are listed by their family and leave it out, so their label stays clean.
    std::string fileName() const {
        const bool iphone = std::string_view(model->fileStem).starts_with("iphone");
        return std::string(model->fileStem) + "_" + std::string(colour->slug) +
               (iphone ? "_portrait.png" : ".png");
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
    for (const auto& m : kAndroidDevices)
        for (const auto& c : m.colours) out.push_back({&m, &c});
    for (const auto& m : kTablets)
        for (const auto& c : m.colours) out.push_back({&m, &c});
    return out;
}

}  // namespace kestro::framegen
