// The layer cache against the canvas drawn afresh: a moving view sampled from a drawn level must
// show the same picture (the frame's edges, the rounded opening, the gradient, the shadow), in
// both output formats, and a view at a level's own scale must match it to the code.

#include "core/export/camera_layer_cache.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kestro {
namespace {

constexpr int kW = 200;
constexpr int kH = 400;

// A device: an opaque bezel ring with a pill-shaped cut-out over the screen's top, its screen
// opening transparent.
Image deviceFrame() {
    Image frame = Image::filled(100, 200, {40, 40, 44, 255});
    frame.fillRect(8, 8, 84, 184, {});
    frame.fillRect(40, 12, 20, 6, {10, 10, 10, 255});  // the cut-out, inside the opening
    for (int i = 0; i < 8; ++i) frame.set(2 + i * 10, 3, {250, 250, 250, 255});  // fine marks
    return frame;
}

CompositorSetup setupFor(CompositorSetup::Order order, const Image& frame, bool shadow) {
    CompositorSetup setup;
    setup.order = order;
    setup.canvasWidth = kW;
    setup.canvasHeight = kH;
    setup.device = CanvasRect{20, 20, 160, 320};          // top-left origin
    setup.screen = CanvasRect{32.8, 75.2, 134.4, 294.4};  // bottom-left origin: 8 px of 100
    setup.frame = &frame;
    setup.background = BackgroundFill::gradient({1, 0.5, 0, 1}, {0.1, 0.2, 0.9, 1}, 135);
    setup.shadow = shadow;
    setup.placement = Placement{32.8, 30.4, 134.4, 294.4, 134.4 / 248, 294.4 / 540};
    return setup;
}

AVFramePtr greySource() {
    AVFramePtr frame = makeFrame();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = 248;
    frame->height = 540;
    frame->colorspace = AVCOL_SPC_BT709;
    frame->color_range = AVCOL_RANGE_MPEG;
    EXPECT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    const int values[3] = {120, 128, 128};
    for (int i = 0; i < 3; ++i) {
        for (int y = 0; y < (i ? 270 : 540); ++y) {
            std::memset(frame->data[i] + static_cast<ptrdiff_t>(y) * frame->linesize[i], values[i],
                        static_cast<size_t>(frame->linesize[i]));
        }
    }
    return frame;
}

AVFramePtr composed(const CompositorSetup& setup, const AVFrame& source) {
    auto compositor = Compositor::create(setup);
    EXPECT_TRUE(compositor.ok());
    if (!compositor) return nullptr;
    EXPECT_TRUE((*compositor)->allocatePictures(1).ok());
    auto out = (*compositor)->compose(source);
    EXPECT_TRUE(out.ok());
    return out ? std::move(*out) : nullptr;
}

struct Difference {
    double mean = 0;
    int largest = 0;
};
Difference compare(const AVFrame& a, const AVFrame& b) {
    const bool wide = a.format == AV_PIX_FMT_YUVA444P10LE;
    const int planes = wide ? 4 : 3;
    double total = 0;
    std::int64_t count = 0;
    Difference d;
    for (int p = 0; p < planes; ++p) {
        const int shift = (!wide && p > 0) ? 1 : 0;
        for (int y = 0; y < (kH >> shift); ++y) {
            for (int x = 0; x < (kW >> shift); ++x) {
                auto at = [&](const AVFrame& f) {
                    const uint8_t* row = f.data[p] + static_cast<ptrdiff_t>(y) * f.linesize[p];
                    return wide ? reinterpret_cast<const uint16_t*>(row)[x] >> 2 : row[x];
                };
                const int diff = std::abs(at(a) - at(b));
                total += diff;
                ++count;
                d.largest = std::max(d.largest, diff);
            }
        }
    }
    d.mean = total / static_cast<double>(count);
    return d;
}

TEST(CameraLayerCache, SampledViewsMatchTheCanvasDrawnAfresh) {
    const Image frame = deviceFrame();
    const AVFramePtr source = greySource();
    // Views along an ease and a pan, at and between the levels; offsets as the camera makes them.
    const std::vector<CanvasView> views{
        {1.2, 20, 30}, {1.6, 60, 150}, {2, 90, 200}, {2.5, 150, 420}, {3.3, 300, 900}};
    for (const auto order : {CompositorSetup::Order::mp4, CompositorSetup::Order::mov}) {
        for (const bool shadow : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << (order == CompositorSetup::Order::mov ? "mov" : "mp4")
                         << (shadow ? " with shadow" : ""));
            const CompositorSetup base = setupFor(order, frame, shadow);
            CameraLayerCache cache(base, views);
            for (const CanvasView& view : views) {
                SCOPED_TRACE(::testing::Message() << "scale " << view.scale);
                CompositorSetup exact = base;
                exact.view = view;
                auto layers = cache.sourceFor(view);
                ASSERT_TRUE(layers);
                CompositorSetup sampled = exact;
                sampled.source = layers.get();
                const AVFramePtr a = composed(exact, *source);
                const AVFramePtr b = composed(sampled, *source);
                ASSERT_TRUE(a && b);
                const Difference d = compare(*a, *b);
                // A shrink by up to 1.41x of a sharper drawing: edges may differ by a part of
                // a step, the picture on the whole not at all.
                EXPECT_LT(d.mean, 0.6);
                if (view.scale == CameraLayerCache::levelFor(view.scale)) {
                    EXPECT_LE(d.largest, 1);
                } else {
                    EXPECT_LT(d.largest, 120);
                }
            }
        }
    }
}

// The same source with its screen spans hidden: the compositor then takes every sample from
// planeRow().
class WithoutSpans : public CanvasSource {
public:
    explicit WithoutSpans(const CanvasSource& inner) : inner_(inner) {}
    void planeRow(int plane, int shiftX, int shiftY, int row, int x0, int x1, std::uint16_t* values,
                  std::uint16_t* weights) const override {
        inner_.planeRow(plane, shiftX, shiftY, row, x0, x1, values, weights);
    }

private:
    const CanvasSource& inner_;
};

TEST(CameraLayerCache, ScreenSpansComposeTheSamePictureAsSampling) {
    const Image frame = deviceFrame();
    const AVFramePtr source = greySource();
    // Views deep enough in for whole blocks of the opening to be screen, on even and odd
    // offsets; the video reaching the whole opening, and leaving black bars in it.
    const std::vector<CanvasView> views{{2, 90, 200}, {2.5, 151, 421}, {3.3, 300, 900}};
    for (const auto order : {CompositorSetup::Order::mp4, CompositorSetup::Order::mov}) {
        for (const bool bars : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << (order == CompositorSetup::Order::mov ? "mov" : "mp4")
                         << (bars ? " with bars" : ""));
            CompositorSetup base = setupFor(order, frame, false);
            if (bars) base.placement = Placement{60, 60, 90, 196, 90.0 / 248, 196.0 / 540};
            CameraLayerCache cache(base, views);
            int spans = 0;
            for (const CanvasView& view : views) {
                SCOPED_TRACE(::testing::Message() << "scale " << view.scale);
                auto layers = cache.sourceFor(view);
                ASSERT_TRUE(layers);
                std::vector<CanvasSource::Span> found;
                for (int row = 0; row < kH; ++row) {
                    layers->screenSpans(0, 0, 0, row, kW, found);
                    spans += static_cast<int>(found.size());
                }
                const WithoutSpans plain(*layers);
                CompositorSetup a = base;
                a.view = view;
                a.source = layers.get();
                CompositorSetup b = a;
                b.source = &plain;
                const AVFramePtr withSpans = composed(a, *source);
                const AVFramePtr sampled = composed(b, *source);
                ASSERT_TRUE(withSpans && sampled);
                EXPECT_EQ(compare(*withSpans, *sampled).largest, 0);
            }
            EXPECT_GT(spans, 0);  // the spans were there to be taken
        }
    }
}

TEST(CameraLayerCache, ViewsOutsideThePlanLeaveTheCanvasToBeDrawnAfresh) {
    const Image frame = deviceFrame();
    const CompositorSetup base = setupFor(CompositorSetup::Order::mp4, frame, false);
    CameraLayerCache cache(base, {{1.6, 0, 0}});
    EXPECT_TRUE(cache.sourceFor({1.6, 0, 0}));
    EXPECT_FALSE(cache.sourceFor({1.6, 120, 240}));  // the same level, elsewhere
    EXPECT_FALSE(cache.sourceFor({2.5, 0, 0}));      // a level no view needs
    EXPECT_FALSE(cache.sourceFor({}));
}

}  // namespace
}  // namespace kestro
