// Exports with the camera in, checked against the geometry on decoded pictures: a marked source
// whose marks must land where the magnified canvas puts them, at the hold and during the ease,
// detail that only a picture composed at the zoomed size can show, and the ticks at 1x left
// exactly as an export without a camera makes them.

#include "exporter_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kestro {
namespace {

namespace fs = std::filesystem;

// The source is twice the size of the screen opening it fills (248 x 648 into 124 x 324 at
// (38, 38) on the 200 x 400 canvas), grey, with a red square (40..88, 80..128) and a patch of
// one-pixel black and white stripes (140..239, 400..499). Halved for the canvas, the stripes
// average to grey; only a picture scaled from the source at 2x still shows them.
constexpr double kScreenX = 38, kScreenY = 38, kHalf = 0.5;
constexpr double kRedX = 64, kRedY = 104, kRedSide = 48;  // centre and side, source pixels
constexpr double kStripesX = 190, kStripesY = 450;        // centre

fs::path makeMarkedSource(const fs::path& path) {
    return test::makeWithFfmpeg(
        path,
        "-f lavfi -i color=c=gray:s=248x648:r=30 -frames:v 96 -vf \"format=yuv420p,"
        "drawbox=x=40:y=80:w=48:h=48:c=red:t=fill,"
        "geq=lum='if(between(X,140,239)*between(Y,400,499),16+219*mod(X,2),lum(X,Y))':"
        "cb='cb(X,Y)':cr='cr(X,Y)'\" -c:v libx264 -preset ultrafast -qp 0 -pix_fmt yuv420p "
        "-colorspace bt709 -color_primaries bt709 -color_trc bt709");
}

ZoomSegment zoomOn(double start, double end, double sourceX, double sourceY) {
    ZoomSegment s;
    s.start = start;
    s.end = end;
    s.focusX = sourceX / 248;
    s.focusY = sourceY / 648;
    s.scale = 2;
    return s;
}

// Where a source point shows on the output at scale s about a source focus, by the rule the
// camera promises: the focus to the centre of the 200 x 400 output, held back at the edges.
struct Mapping {
    double s, offX, offY;
    double x(double sourceX) const { return (kScreenX + kHalf * sourceX) * s - offX; }
    double y(double sourceY) const { return (kScreenY + kHalf * sourceY) * s - offY; }
};
Mapping mappingFor(double s, double focusX, double focusY) {
    const double cx = kScreenX + kHalf * focusX;
    const double cy = kScreenY + kHalf * focusY;
    return {s, std::clamp(std::round(cx * s - 100), 0.0, (s - 1) * 200),
            std::clamp(std::round(cy * s - 200), 0.0, (s - 1) * 400)};
}

bool isRed(Rgba c) {
    return c.r > 170 && c.g < 80 && c.b < 80;
}
bool isGrey(Rgba c) {
    return std::abs(c.r - 128) < 20 && std::abs(c.g - 128) < 20;
}

// The largest luma swing along a short run of a row: stripes that survived, or grey.
int stripeContrast(const test::Picture& p, int x0, int y) {
    int lo = 255, hi = 0;
    for (int x = x0; x < x0 + 12; ++x) {
        const Rgba c = p.at(x, y);
        lo = std::min<int>(lo, c.g);
        hi = std::max<int>(hi, c.g);
    }
    return hi - lo;
}

class CameraExport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new test::ScratchDir();
        source_ = makeMarkedSource(*dir_ / "marked.mp4");
        ASSERT_FALSE(source_.empty());
        ExportConfig plain = test::smallConfig();
        ASSERT_TRUE(test::exported(source_, plain, *dir_ / "plain.mp4"));
        ExportConfig zoomed = plain;
        // On the red square from 0.3 s to 1.1 s; on the stripes from 2.0 s to 2.8 s (far enough
        // apart to return to 1x between them).
        zoomed.camera = {zoomOn(0.3, 1.1, kRedX, kRedY), zoomOn(2.0, 2.8, kStripesX, kStripesY)};
        ASSERT_TRUE(test::exported(source_, zoomed, *dir_ / "zoomed.mp4"));
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static test::Picture frame(const char* name, int index) {
        auto p = test::decodePicture(*dir_ / name, index);
        EXPECT_TRUE(p.has_value());
        return p.value_or(test::Picture{});
    }
    static inline test::ScratchDir* dir_ = nullptr;
    static inline fs::path source_;
};

TEST_F(CameraExport, MarksLandWhereTheMagnifiedCanvasPutsThem) {
    // Tick 21 (0.7 s) is held at 2x; tick 14 (0.467 s) is in the ease, 1/3 of the way through.
    const double u = (14 / 30.0 - 0.3) / kDefaultZoomEase;
    const double easeScale = 1 + u * u * (3 - 2 * u);
    for (const auto& [tick, s] : {std::pair{21, 2.0}, std::pair{14, easeScale}}) {
        const test::Picture p = frame("zoomed.mp4", tick);
        ASSERT_EQ(p.width, 200);
        const Mapping m = mappingFor(s, kRedX, kRedY);
        const double cx = m.x(kRedX), cy = m.y(kRedY);
        const double half = kHalf * kRedSide / 2 * s;
        EXPECT_TRUE(isRed(p.average(static_cast<int>(cx), static_cast<int>(cy), 2)))
            << "tick " << tick;
        // Just inside and just outside each side of the square.
        for (const double d : {-1.0, 1.0}) {
            EXPECT_TRUE(isRed(
                p.at(static_cast<int>(std::lround(cx + d * (half - 3))), static_cast<int>(cy))))
                << "tick " << tick << " side " << d;
            EXPECT_TRUE(isGrey(
                p.at(static_cast<int>(std::lround(cx + d * (half + 3))), static_cast<int>(cy))))
                << "tick " << tick << " side " << d;
            EXPECT_TRUE(isRed(
                p.at(static_cast<int>(cx), static_cast<int>(std::lround(cy + d * (half - 3))))))
                << "tick " << tick << " side " << d;
            EXPECT_TRUE(isGrey(
                p.at(static_cast<int>(cx), static_cast<int>(std::lround(cy + d * (half + 3))))))
                << "tick " << tick << " side " << d;
        }
    }
    // The background is magnified with the rest: at 2x the opening's left edge moves to
    // 2 * 38 - offset, blue before it, grey after.
    const test::Picture held = frame("zoomed.mp4", 21);
    const Mapping m = mappingFor(2, kRedX, kRedY);
    const int edge = static_cast<int>(2 * kScreenX - m.offX);
    const int row = static_cast<int>(m.y(kRedY + 60));
    EXPECT_GT(held.at(edge - 4, row).b, 200);
    EXPECT_TRUE(isGrey(held.at(edge + 4, row)));
}

TEST_F(CameraExport, ZoomedPicturesAreComposedFromTheSourceAtTheirSize) {
    // At 1x the stripes are below the canvas's resolution; at 2x they are one output pixel each.
    const test::Picture still = frame("zoomed.mp4", 45);
    const test::Picture held = frame("zoomed.mp4", 72);
    const int x1 = static_cast<int>(kScreenX + kHalf * kStripesX) - 6;
    const int y1 = static_cast<int>(kScreenY + kHalf * kStripesY);
    EXPECT_LT(stripeContrast(still, x1, y1), 40);
    const Mapping m = mappingFor(2, kStripesX, kStripesY);
    EXPECT_GT(stripeContrast(held, static_cast<int>(m.x(kStripesX)) - 6,
                             static_cast<int>(m.y(kStripesY))),
              120);
}

TEST_F(CameraExport, TicksAtOneTimesMatchTheExportWithoutACamera) {
    for (int tick : {0, 5, 45, 90}) {
        const test::Picture a = frame("plain.mp4", tick);
        const test::Picture b = frame("zoomed.mp4", tick);
        ASSERT_EQ(a.width, b.width);
        for (int y = 10; y < a.height; y += 37) {
            for (int x = 5; x < a.width; x += 23) {
                EXPECT_TRUE(test::near(a.at(x, y), b.at(x, y), 12))
                    << "tick " << tick << " at " << x << "," << y;
            }
        }
    }
}

TEST_F(CameraExport, ASegmentReachingFarPastTheRecordingIsPlannedOverTheExportOnly) {
    // The camera is planned over what is exported, not over the whole segment: reaching a
    // million hours past a 3 s recording, it held every view of them in memory.
    ExportConfig far = test::smallConfig();
    far.trimStart = 0.6;
    far.trimEnd = 0.9;
    far.camera = {zoomOn(0.3, 4e9, kRedX, kRedY)};
    ASSERT_TRUE(test::exported(source_, far, *dir_ / "far.mp4"));
    const test::Picture p = frame("far.mp4", 3);  // 0.7 s, held at 2x
    const Mapping m = mappingFor(2, kRedX, kRedY);
    EXPECT_TRUE(isRed(p.average(static_cast<int>(m.x(kRedX)), static_cast<int>(m.y(kRedY)), 2)));
    const double half = kHalf * kRedSide;  // the square's half side at 2x
    EXPECT_TRUE(
        isGrey(p.at(static_cast<int>(m.x(kRedX) + half + 3), static_cast<int>(m.y(kRedY)))));
}

}  // namespace
}  // namespace kestro
