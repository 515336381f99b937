// The frames tools/framegen draws at build time, read back through the editor's and exporter's
// code and held to the generator's own device table.

#include "core/model/device_screens.hpp"
#include "core/model/frame_catalog.hpp"
#include "core/model/frame_image.hpp"
#include "core/model/frame_label.hpp"
#include "core/model/png.hpp"

#include "../../../tools/framegen/device_table.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using framegen::FrameSpec;

const fs::path kFrames = fs::path(KESTRO_TEST_RESOURCES) / "Frames";

std::string stem(const FrameSpec& f) {
    return fs::path(f.fileName()).stem().string();
}

std::set<std::string> shippedFileNames() {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(kFrames))
        if (entry.path().extension() == ".png") names.insert(entry.path().filename().string());
    return names;
}

TEST(ShippedFrames, FolderHoldsTheWholeSetAndNothingElse) {
    std::set<std::string> expected;
    for (const auto& f : framegen::allFrames()) expected.insert(f.fileName());
    EXPECT_EQ(shippedFileNames(), expected);

    // Every model, each Pro in two colours or more, and both Android families in two each.
    std::map<std::string, int> perModel;
    for (const auto& f : framegen::allFrames()) ++perModel[std::string(f.model->name)];
    EXPECT_EQ(perModel.size(), 12u + framegen::kAndroidDevices.size() + framegen::kTablets.size());
    EXPECT_GE(framegen::kTablets.size(), 8u);
    for (const auto& m : framegen::kTablets) EXPECT_GE(perModel[std::string(m.name)], 2) << m.name;
    int pixels = 0, galaxies = 0;
    for (const auto& m : framegen::kAndroidDevices) {
        EXPECT_GE(perModel[std::string(m.name)], 2) << m.name;
        pixels += std::string_view(m.name).starts_with("Pixel");
        galaxies += std::string_view(m.name).starts_with("Galaxy");
    }
    EXPECT_GE(pixels, 2);
    EXPECT_GE(galaxies, 2);
    for (const auto& [model, count] : perModel) {
        if (model.find("Pro") != std::string::npos) {
            EXPECT_GE(count, 2) << model;
        }
    }
}

// The intended labels are the device table's model and colour names, clean by construction.
TEST(ShippedFrames, FileNamesGiveTheIntendedLabels) {
    std::set<std::string> seen;
    for (const auto& f : framegen::allFrames()) {
        const std::string label = makeFrameLabel(stem(f));
        SCOPED_TRACE(f.fileName());
        EXPECT_EQ(label, f.intendedLabel());
        EXPECT_TRUE(seen.insert(label).second) << "two frames share the label " << label;
    }
}

// Pixel distance between a detected percentage and the generator's pixel coordinate.
double offBy(double percent, int extent, int pixels) {
    return std::abs(percent / 100.0 * extent - pixels);
}

bool opaqueDark(Rgba c) {
    return c.a == 255 && c.r + c.g + c.b < 3 * 40;
}

TEST(ShippedFrames, OpeningIsTheNativeDisplayAndTheDeviceLooksLikeAPhone) {
    for (const auto& f : framegen::allFrames()) {
        SCOPED_TRACE(f.fileName());
        const auto g = framegen::geometryOf(*f.model);
        const auto raw = loadPng(kFrames / f.fileName());
        ASSERT_TRUE(raw.has_value());
        ASSERT_EQ(raw->width, g.canvasWidth);
        ASSERT_EQ(raw->height, g.canvasHeight);

        // A tight canvas: the table's coordinates hold for the trimmed image too.
        const Image img = trimTransparentBorders(*raw);
        ASSERT_EQ(img.width, raw->width);
        ASSERT_EQ(img.height, raw->height);

        const auto& o = g.opening;
        EXPECT_EQ(o.w, f.model->displayWidth);
        EXPECT_EQ(o.h, f.model->displayHeight);
        const auto rect = detectScreenRect(img);
        ASSERT_TRUE(rect.has_value());
        const int W = img.width, H = img.height;
        EXPECT_LE(offBy(rect->x, W, o.x), 2.0);
        EXPECT_LE(offBy(rect->w, W, o.w), 2.0);
        EXPECT_LE(offBy(rect->h, H, o.h), 2.0);
        EXPECT_LE(offBy(rect->y, H, H - (o.y + o.h)), 2.0);  // y is the bottom margin

        // See-through inside the opening (but its corners), dark bezel just outside it.
        const int r = static_cast<int>(f.model->displayCornerRadius * 1.6);
        const auto& hole = f.model->hole;
        const auto& island = f.model->island;
        const auto inHole = [&](int x, int y) {
            const bool inIsland =
                island.width > 0 && std::abs(x - (o.x + o.w / 2.0)) <= island.width / 2 + 2 &&
                y >= o.y + island.top - 2 && y <= o.y + island.top + island.height + 2;
            return inIsland || (hole.radius > 0 &&
                                std::hypot(x - o.x - hole.x, y - o.y - hole.y) <= hole.radius + 2);
        };
        int leaks = 0;
        for (int y = o.y; y < o.y + o.h; y += 3)
            for (int x = o.x; x < o.x + o.w; x += 3) {
                const bool inCornerBand =
                    (y < o.y + r || y >= o.y + o.h - r) && (x < o.x + r || x >= o.x + o.w - r);
                if (!inCornerBand && !inHole(x, y) && img.alpha(x, y) != 0) ++leaks;
            }
        EXPECT_EQ(leaks, 0);
        if (hole.radius > 0) {
            // Dark camera glass in the display, where the opening detection steps around it.
            EXPECT_TRUE(opaqueDark(img.at(static_cast<int>(o.x + hole.x + hole.radius * 0.8),
                                          static_cast<int>(o.y + hole.y))));
        }
        // Every iPhone here has its Dynamic Island: black over the top of the display on the
        // centre column, and the display visible just below it and beside it.
        const bool iphone = f.model->name.starts_with("iPhone");
        EXPECT_EQ(island.width > 0, iphone);
        if (island.width > 0) {
            const int cx = o.x + o.w / 2;
            EXPECT_TRUE(
                opaqueDark(img.at(cx, static_cast<int>(o.y + island.top + island.height / 2))));
            EXPECT_EQ(img.alpha(cx, static_cast<int>(o.y + island.top + island.height + 4)), 0);
            EXPECT_EQ(img.alpha(static_cast<int>(cx + island.width / 2 + 4),
                                static_cast<int>(o.y + island.top + island.height / 2)),
                      0);
        }
        if (framegen::isTablet(*f.model)) {
            // The front camera in the bezel: beside the display for a long-edge camera.
            const bool longEdge = f.model->bezelCamera == framegen::BezelCamera::longEdge;
            const int cx = longEdge ? (o.x + o.w + g.body.x + g.body.w) / 2 : o.x + o.w / 2;
            const int cy = longEdge ? o.y + o.h / 2 : (g.body.y + o.y) / 2;
            const Rgba lens = img.at(cx + 1, cy + 1);
            EXPECT_LT(lens.r + lens.g + lens.b, 3 * 40);
        }
        EXPECT_TRUE(opaqueDark(img.at(o.x - 3, H / 2))) << "bezel";

        // Rounded display corners: along the diagonal, the glass begins 0.29 × radius in, and
        // the export rounds the recording to the same radius.
        const double radius = f.model->displayCornerRadius;
        const auto fraction = openingCornerFraction(img, *rect);
        ASSERT_TRUE(fraction.has_value());
        EXPECT_NEAR(*fraction * std::min(o.w, o.h), radius, 0.15 * radius + 2);
        auto glassStartsAt = [&](int cornerX, int cornerY, int dx, int dy) {
            bool onBody = false;
            for (int k = 0; k < radius; ++k) {
                const int a = img.alpha(cornerX + dx * k, cornerY + dy * k);
                if (a == 255) onBody = true;
                if (onBody && a == 0) return k;
            }
            return -1;
        };
        for (const auto& [cx, cy, dx, dy] :
             {std::array{o.x, o.y, 1, 1}, std::array{o.x + o.w - 1, o.y + o.h - 1, -1, -1}}) {
            const int k = glassStartsAt(cx, cy, dx, dy);
            EXPECT_NEAR(k, 0.29 * radius, 0.04 * radius);
            EXPECT_TRUE(opaqueDark(img.at(cx + dx * (k - 3), cy + dy * (k - 3))));
        }

        // Rounded body, empty canvas corners, an anti-aliased outline.
        EXPECT_EQ(img.alpha(0, 0), 0);
        EXPECT_EQ(img.alpha(W - 1, H - 1), 0);
        int partial = 0;
        for (int d = 0; d < std::min(W, H) / 4; ++d) {
            const int a = img.alpha(g.body.x + d, d);
            partial += a > 0 && a < 255;
        }
        EXPECT_GE(partial, 1);

        // Side buttons stand out on both sides, beyond the body's straight edges.
        auto columnCovered = [&](int x) {
            for (int y = 0; y < H; ++y)
                if (img.alpha(x, y) == 255) return true;
            return false;
        };
        EXPECT_TRUE(columnCovered(W - 2));
        if (framegen::isTablet(*f.model)) {
            // Buttons on the edges the table names, standing out beyond the body.
            EXPECT_EQ(g.body.y > 0, framegen::hasEdgeButton(*f.model, framegen::Edge::top));
            EXPECT_EQ(g.body.x + g.body.w < W,
                      framegen::hasEdgeButton(*f.model, framegen::Edge::right));
            if (g.body.y > 0) {
                int covered = 0;
                for (int x = 0; x < W; ++x) covered += img.alpha(x, 1) == 255;
                EXPECT_GT(covered, 0);
            }
        } else if (framegen::buttonsOnBothSides(*f.model)) {
            EXPECT_TRUE(columnCovered(1));
            EXPECT_EQ(img.alpha(1, H / 2), 0);  // no button at mid height: the body edge is inside
        } else {
            EXPECT_EQ(img.alpha(1, H / 2), 255);  // the body is the left edge
        }
    }
}

TEST(ShippedFrames, CatalogueGroupsAndOrdersThemByModel) {
    const auto catalog = buildFramePresetCatalog(KESTRO_TEST_RESOURCES);
    const auto frames = framegen::allFrames();
    ASSERT_EQ(catalog.size(), frames.size());

    // The model each label names, numbered in the generator's (the catalogue's) order.
    std::map<std::string, int> modelOfLabel;
    int index = -1;
    for (size_t i = 0; i < frames.size(); ++i) {
        index += i == 0 || frames[i].model != frames[i - 1].model;
        modelOfLabel[frames[i].intendedLabel()] = index;
    }

    int lastOrder = 0;
    int lastModel = -1;
    for (size_t i = 0; i < catalog.size(); ++i) {
        const auto& p = catalog[i];
        SCOPED_TRACE(p.key);
        EXPECT_TRUE(p.key.starts_with("Frames/"));
        ASSERT_TRUE(modelOfLabel.contains(p.label));
        const int model = modelOfLabel[p.label];
        // iPhones order by model (1 to 12), the Android ones after, the tablets last.
        if (model < static_cast<int>(framegen::kDevices.size())) {
            EXPECT_EQ(frameOrderValue(p.label), model + 1);
        } else {
            EXPECT_GT(frameOrderValue(p.label), 12);
            EXPECT_LT(frameOrderValue(p.label), 999);
        }
        EXPECT_GE(frameOrderValue(p.label), lastOrder);
        EXPECT_GE(model, lastModel);
        if (i > 0 && model == lastModel) {
            EXPECT_LT(toLowerAscii(catalog[i - 1].label), toLowerAscii(p.label));
        }
        lastOrder = frameOrderValue(p.label);
        lastModel = model;
    }

    const auto groups = groupedFramePresets(catalog);
    const std::vector<std::string> series{"iPhone 15 ", "iPhone 16 ", "iPhone 17 ", "iPhone Air ",
                                          "Pixel ",     "Galaxy ",    "iPad ",      ""};
    EXPECT_EQ(groups.back().id, "androidtablet");
    ASSERT_EQ(groups.size(), series.size());
    size_t total = 0;
    for (size_t i = 0; i < groups.size(); ++i) {
        total += groups[i].presets.size();
        for (const auto& p : groups[i].presets) {
            EXPECT_TRUE(p.label.starts_with(series[i])) << p.label << " in " << groups[i].id;
            EXPECT_EQ(frameOrderValue(p.label) > 200, i >= 6) << p.label;
        }
    }
    EXPECT_EQ(total, catalog.size());
    for (const auto& p : groups.back().presets)
        EXPECT_TRUE(p.label.starts_with("Pixel Tablet") || p.label.starts_with("Galaxy Tab"));
}

// The sizes the automatic frame choice matches against are the sizes the frames are drawn with,
// for every model, and each size leads to that model's frame or a newer one of the same size.
TEST(ShippedFrames, AutomaticChoiceKnowsEveryDrawnModelsScreen) {
    const auto catalog = buildFramePresetCatalog(KESTRO_TEST_RESOURCES);
    std::vector<const framegen::DeviceModel*> models;
    for (const auto& m : framegen::kDevices) models.push_back(&m);
    for (const auto& m : framegen::kAndroidDevices) models.push_back(&m);
    for (const auto& m : framegen::kTablets) models.push_back(&m);
    ASSERT_EQ(deviceScreens().size(), models.size());
    for (size_t i = 0; i < models.size(); ++i) {
        const auto& m = *models[i];
        SCOPED_TRACE(m.name);
        EXPECT_EQ(deviceScreens()[i].model, m.name);
        EXPECT_EQ(deviceScreens()[i].width, m.displayWidth);
        EXPECT_EQ(deviceScreens()[i].height, m.displayHeight);
        for (const auto& [w, h] : {std::pair{m.displayWidth, m.displayHeight},
                                   std::pair{m.displayHeight, m.displayWidth}}) {
            const auto choice = autoFrameFor(w, h, catalog);
            ASSERT_TRUE(choice.has_value());
            ASSERT_NE(choice->preset, nullptr);
            EXPECT_NE(choice->match, AutoFrameChoice::Match::nearestShape);
            const auto& chosen =
                std::find_if(deviceScreens().begin(), deviceScreens().end(),
                             [&](const DeviceScreen& s) { return s.model == choice->model; });
            EXPECT_EQ(chosen->width, m.displayWidth);
            EXPECT_GE(chosen->year, deviceScreens()[i].year);
        }
    }
}

}  // namespace
}  // namespace kestro
