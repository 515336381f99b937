// The compositor on hand-made pictures: where the video lands, to the pixel, in both output
// formats and for turned sources, and how it waits for pictures to come back.

#include "core/export/compositor.hpp"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <chrono>
#include <cstring>
#include <thread>

namespace kestro {
namespace {

constexpr int kCanvasW = 100;
constexpr int kCanvasH = 120;
constexpr int kLuma = 180;  // the source's flat colour, limited-range BT.709
constexpr int kCb = 100;
constexpr int kCr = 160;

// A flat yuv420p picture of the given codes, tagged BT.709 limited range unless told.
AVFramePtr flatSource(int width, int height, const int (&values)[3] = {kLuma, kCb, kCr},
                      AVColorSpace matrix = AVCOL_SPC_BT709,
                      AVColorRange range = AVCOL_RANGE_MPEG) {
    AVFramePtr frame = makeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    frame->colorspace = matrix;
    frame->color_range = range;
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    for (int i = 0; i < 3; ++i) {
        const int rows = i ? (height + 1) / 2 : height;
        for (int y = 0; y < rows; ++y) {
            std::memset(frame->data[i] + static_cast<ptrdiff_t>(y) * frame->linesize[i],
                        values[i], static_cast<size_t>(frame->linesize[i]));
        }
    }
    return frame;
}

// A black canvas whose screen rectangle (rounded, but wide of the video's corners) holds the
// video placed at (x, y), `w` x `h` upright pixels.
CompositorSetup setupAt(CompositorSetup::Order order, int x, int y, int w, int h,
                        int rotation = 0) {
    CompositorSetup setup;
    setup.order = order;
    setup.canvasWidth = kCanvasW;
    setup.canvasHeight = kCanvasH;
    setup.screen = CanvasRect{4, 4, 92, 112};  // bottom-left origin; the same from the top
    setup.background = BackgroundFill::black();
    setup.placement = Placement{static_cast<double>(x), static_cast<double>(y),
                                static_cast<double>(w), static_cast<double>(h)};
    setup.rotation = rotation;
    return setup;
}

int sample(const AVFrame& frame, int plane, int x, int y) {
    const uint8_t* row = frame.data[plane] + static_cast<ptrdiff_t>(y) * frame.linesize[plane];
    if (frame.format == AV_PIX_FMT_YUVA444P10LE) {
        return reinterpret_cast<const uint16_t*>(row)[x] >> 2;  // back to 8 bits
    }
    return row[x];
}

// The luma of one canvas row and one canvas column is the video's exactly where the video is,
// and black around it.
void expectPlacedAt(const AVFrame& out, int x, int y, int w, int h) {
    for (int cy = y - 2; cy < y + h + 2; ++cy) {
        const bool inside = cy >= y && cy < y + h;
        EXPECT_NEAR(sample(out, 0, x + w / 2, cy), inside ? kLuma : 16, 1) << "row " << cy;
    }
    for (int cx = x - 2; cx < x + w + 2; ++cx) {
        const bool inside = cx >= x && cx < x + w;
        EXPECT_NEAR(sample(out, 0, cx, y + h / 2), inside ? kLuma : 16, 1) << "column " << cx;
    }
}

AVFramePtr composeOnce(const CompositorSetup& setup, const AVFrame& source) {
    auto compositor = Compositor::create(setup);
    EXPECT_TRUE(compositor.ok());
    if (!compositor) return nullptr;
    EXPECT_TRUE((*compositor)->allocatePictures(2).ok());
    auto out = (*compositor)->compose(source);
    EXPECT_TRUE(out.ok());
    return out ? std::move(*out) : nullptr;
}

// On even and odd rows and columns, and turned sources (stored on their side for a quarter turn).
TEST(CompositorTest, TheVideoLandsOnItsOwnPixelsOnOddRowsAndColumnsAndWhenTurned) {
    const struct {
        int x, y, w, h, rotation;
    } placements[] = {{12, 14, 40, 60, 0},  {11, 13, 40, 60, 0},  {11, 14, 41, 61, 0},
                      {12, 13, 39, 60, 0},  {11, 15, 40, 60, 90}, {11, 15, 40, 60, 180},
                      {11, 15, 40, 60, 270}};
    for (const auto order : {CompositorSetup::Order::mp4, CompositorSetup::Order::mov}) {
        for (const auto& p : placements) {
            SCOPED_TRACE(::testing::Message()
                         << (order == CompositorSetup::Order::mp4 ? "mp4" : "mov") << " at " << p.x
                         << "," << p.y << " " << p.w << "x" << p.h << " turned " << p.rotation);
            const bool quarter = p.rotation % 180 != 0;
            const AVFramePtr source = flatSource(quarter ? p.h : p.w, quarter ? p.w : p.h);
            const AVFramePtr out =
                composeOnce(setupAt(order, p.x, p.y, p.w, p.h, p.rotation), *source);
            ASSERT_TRUE(out);
            expectPlacedAt(*out, p.x, p.y, p.w, p.h);
            // The video's colour inside, away from the chroma rim.
            const int shift = order == CompositorSetup::Order::mp4 ? 1 : 0;
            const int cx = (p.x + p.w / 2) >> shift;
            const int cy = (p.y + p.h / 2) >> shift;
            EXPECT_NEAR(sample(*out, 1, cx, cy), kCb, 1);
            EXPECT_NEAR(sample(*out, 2, cx, cy), kCr, 1);
            // Black around it.
            EXPECT_NEAR(sample(*out, 1, 1, 1), 128, 1);
            EXPECT_NEAR(sample(*out, 2, (kCanvasW >> shift) - 2, (kCanvasH >> shift) - 2), 128, 1);
        }
    }
}

// Placements far beyond whole-pixel range (a zoom of ten million, an offset of a billion
// pixels) never come out as wrapped-around integers: a video far off the canvas leaves it
// black, and one so large that its scaled part cannot be held is refused with an error rather
// than drawn wrong.
TEST(CompositorTest, HugePlacementsAreDrawnRightOrRefused) {
    const AVFramePtr source = flatSource(64, 64);
    const double huge = 1.2e9;
    const struct {
        double x, y, w, h;
        bool covers;
    } cases[] = {{50 - huge / 2, 60 - huge / 2, huge, huge, true},
                 {-huge + 40, -huge + 40, huge, huge, true},
                 {10, 10, 1e300, 1e300, true},
                 {3e9, 10, 40, 60, false},
                 {-1e18, -1e18, 40, 60, false},
                 {10, -3e9, 40, 2e9, false}};
    for (const auto order : {CompositorSetup::Order::mp4, CompositorSetup::Order::mov}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
            CompositorSetup setup = setupAt(order, 0, 0, 1, 1);
            setup.placement = Placement{c.x, c.y, c.w, c.h, c.w / 64, c.h / 64};
            auto compositor = Compositor::create(setup);
            ASSERT_TRUE(compositor.ok());
            ASSERT_TRUE((*compositor)->allocatePictures(1).ok());
            auto out = (*compositor)->compose(*source);
            if (!c.covers) {
                ASSERT_TRUE(out.ok()) << out.error().message;
            }
            if (out) {
                EXPECT_NEAR(sample(**out, 0, 30, 30), c.covers ? kLuma : 16, 1);
            }
        }
    }
}

// Zoomed far in, only the part that shows is scaled (the work stays what it is at 100 %), and
// every pixel still shows the source where the placement puts it, in every orientation. The
// source's luma grows to the right and its Cb downward, linearly, as the scaler gives them back.
TEST(CompositorTest, ZoomScalesOnlyWhatShows) {
    constexpr int kSide = 640;
    auto lumaOf = [](double x) { return 16 + x * 200 / (kSide - 1); };
    auto cbOf = [](double y) { return 78 + y * 100 / (kSide - 1); };
    AVFramePtr source = flatSource(kSide, kSide, {0, 0, 128});
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            source->data[0][y * source->linesize[0] + x] =
                static_cast<uint8_t>(std::lround(lumaOf(x)));
            if (x < kSide / 2 && y < kSide / 2)
                source->data[1][y * source->linesize[1] + x] =
                    static_cast<uint8_t>(std::lround(cbOf(2 * y + 0.5)));
        }
    }

    auto setupFor = [](double zoom, double tx, double ty, int rotation) {
        CompositorSetup setup;
        setup.canvasWidth = 400;
        setup.canvasHeight = 400;
        setup.screen = CanvasRect{50, 50, 300, 300};
        setup.background = BackgroundFill::black();
        const double side = 300 * zoom;
        setup.placement = Placement{tx, ty, side, side, side / kSide, side / kSide};
        setup.rotation = rotation;
        return setup;
    };
    auto scaledPixels = [&](const CompositorSetup& setup) -> std::int64_t {
        auto compositor = Compositor::create(setup);
        EXPECT_TRUE(compositor.ok());
        EXPECT_TRUE((*compositor)->allocatePictures(1).ok());
        EXPECT_TRUE((*compositor)->compose(*source).ok());
        return (*compositor)->scaledPixels();
    };
    const std::int64_t atFull = scaledPixels(setupFor(1, 50, 50, 0));
    EXPECT_EQ(atFull, 300 * 300);

    const double tx = -600, ty = -750, side = 1800;  // 600 %, off centre
    for (const int rotation : {0, 90, 180, 270}) {
        SCOPED_TRACE(::testing::Message() << "rotation " << rotation);
        const CompositorSetup setup = setupFor(6, tx, ty, rotation);
        EXPECT_LT(scaledPixels(setup), atFull * 3 / 2);

        const AVFramePtr out = composeOnce(setup, *source);
        ASSERT_TRUE(out);
        for (int y = 90; y <= 310; y += 20) {
            for (int x = 90; x <= 310; x += 20) {
                // Where this canvas pixel's centre lies in the stored picture, in source pixels.
                const double u = x + 0.5 - tx;
                const double v = y + 0.5 - ty;
                double sx = u, sy = v;
                if (rotation == 90) sx = v, sy = side - u;
                if (rotation == 180) sx = side - u, sy = side - v;
                if (rotation == 270) sx = side - v, sy = u;
                sx = sx * kSide / side - 0.5;
                sy = sy * kSide / side - 0.5;
                EXPECT_NEAR(sample(*out, 0, x, y), lumaOf(sx), 1.5) << x << "," << y;
                EXPECT_NEAR(sample(*out, 1, x / 2, y / 2), cbOf(sy), 1.5) << x << "," << y;
            }
        }
    }
}

// Limited-range codes of a gamma-encoded RGB colour (0..1) in a matrix given by Kr and Kb.
std::array<double, 3> codes(double r, double g, double b, double kr, double kb) {
    const double y = kr * r + (1 - kr - kb) * g + kb * b;
    return {16 + 219 * y, 128 + 224 * (b - y) / (2 * (1 - kb)), 128 + 224 * (r - y) / (2 * (1 - kr))};
}

TEST(CompositorTest, SourcesInOtherMatricesAndRangesComeOutInLimitedRangeBt709) {
    const CompositorSetup setup = setupAt(CompositorSetup::Order::mp4, 12, 14, 40, 60);
    const int cx = 16, cy = 22;  // chroma sample inside the video

    // Full-range white and black stay white and black.
    for (const int level : {255, 0}) {
        const AVFramePtr source =
            flatSource(40, 60, {level, 128, 128}, AVCOL_SPC_BT709, AVCOL_RANGE_JPEG);
        const AVFramePtr out = composeOnce(setup, *source);
        ASSERT_TRUE(out);
        EXPECT_NEAR(sample(*out, 0, 30, 40), level ? 235 : 16, 1);
        EXPECT_NEAR(sample(*out, 1, cx, cy), 128, 1);
        EXPECT_NEAR(sample(*out, 2, cx, cy), 128, 1);
    }

    // A BT.601 red keeps its colour: its BT.709 codes come out.
    const auto from = codes(200 / 255.0, 40 / 255.0, 40 / 255.0, 0.299, 0.114);
    const auto to = codes(200 / 255.0, 40 / 255.0, 40 / 255.0, 0.2126, 0.0722);
    const AVFramePtr source =
        flatSource(40, 60,
                   {static_cast<int>(std::lround(from[0])), static_cast<int>(std::lround(from[1])),
                    static_cast<int>(std::lround(from[2]))},
                   AVCOL_SPC_SMPTE170M);
    const AVFramePtr out = composeOnce(setup, *source);
    ASSERT_TRUE(out);
    EXPECT_NEAR(sample(*out, 0, 30, 40), to[0], 1.5);
    EXPECT_NEAR(sample(*out, 1, cx, cy), to[1], 1.5);
    EXPECT_NEAR(sample(*out, 2, cx, cy), to[2], 1.5);
}

// The pictures may also outlive the compositor: the encoder may still hold one when it goes.
TEST(CompositorTest, WaitsForAPictureToComeBackStopsWhenInterruptedAndOutlivesItsPictures) {
    const AVFramePtr source = flatSource(40, 60);
    auto created = Compositor::create(setupAt(CompositorSetup::Order::mp4, 12, 14, 40, 60));
    ASSERT_TRUE(created.ok());
    Compositor& compositor = **created;
    ASSERT_TRUE(compositor.allocatePictures(2).ok());
    auto first = compositor.compose(*source);
    auto second = compositor.compose(*source);
    ASSERT_TRUE(first.ok() && second.ok());

    // Both pictures are out: the next one comes when the first is released, and it is the
    // same picture, drawn again.
    std::atomic<bool> got{false};
    AVFramePtr third;
    std::thread waiter([&] {
        auto composed = compositor.compose(*source);
        if (composed) third = std::move(*composed);
        got = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(got.load());
    uint8_t* const firstData = (*first)->data[0];
    first->reset();
    waiter.join();
    ASSERT_TRUE(third);
    EXPECT_EQ(third->data[0], firstData);
    expectPlacedAt(*third, 12, 14, 40, 60);

    std::thread interrupted([&] {
        auto composed = compositor.compose(*source);
        EXPECT_FALSE(composed.ok());
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    compositor.interrupt();
    interrupted.join();
    EXPECT_FALSE(compositor.compose(*source).ok());

    created->reset();
    expectPlacedAt(**second, 12, 14, 40, 60);
}

}  // namespace
}  // namespace kestro
