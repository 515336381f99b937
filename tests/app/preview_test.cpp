// Preview and stage geometry with worked numbers, and what the preview actually draws: the video
// only through the frame's opening, the frame on top, the mask built once per frame and size.

#include "app_fixtures.hpp"

#include "app/editor/player_handle.hpp"
#include "app/editor/video_feed.hpp"
#include "app/preview/empty_state_card.hpp"
#include "app/preview/preview_geometry.hpp"
#include "app/preview/preview_stage_view.hpp"
#include "app/preview/preview_view.hpp"
#include "app/ui/palette.hpp"
#include "core/export/render_geometry.hpp"
#include "core/model/image.hpp"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace kestro {
namespace {

void expectRect(const QRectF& r, qreal x, qreal y, qreal w, qreal h) {
    EXPECT_NEAR(r.x(), x, 1e-9);
    EXPECT_NEAR(r.y(), y, 1e-9);
    EXPECT_NEAR(r.width(), w, 1e-9);
    EXPECT_NEAR(r.height(), h, 1e-9);
}

TEST(PreviewGeometry, FitsTheFramePlacesTheOpeningAndRoundsThePlayer) {
    const auto l =
        computePreviewLayout(QRectF(0, 0, 800, 600), QSizeF(400, 800), {10, 5, 80, 90}, 100, 0, 0);
    expectRect(l.frame, 250, 0, 300, 600);
    expectRect(l.screen, 280, 30, 240, 540);
    expectRect(l.player, 28, 28, 244, 544);
    EXPECT_NEAR(l.playerCornerRadius, 31.72, 1e-9);
    EXPECT_EQ(l.videoScale, 1);
    EXPECT_EQ(l.shiftX, 0);
    EXPECT_EQ(l.shiftY, 0);
    EXPECT_EQ(l.containerCornerRadius, 0);
}

// The preview works on a canvas the size of the fitted frame; there its numbers must be the
// export's own. 800 x 600 bounds, a 400 x 800 frame: the canvas is 300 x 600.
constexpr ScreenRect kOpening{10, 5, 80, 90};

void expectPlacement(const QRectF& r, const Placement& p) {
    expectRect(r, p.tx, p.ty, p.width, p.height);
}

TEST(PreviewGeometry, ScaleAndOffsetsMoveTheVideoAsTheExportDoes) {
    const auto l =
        computePreviewLayout(QRectF(0, 0, 800, 600), QSizeF(400, 800), kOpening, 80, -30, 50);
    const CanvasRect p = grownScreenRect(kOpening, 300, 600);
    expectRect(l.player, p.x, p.y, p.w, p.h);
    EXPECT_DOUBLE_EQ(l.playerCornerRadius, screenCornerRadius(p));
    // A video of P's shape shows the scale and the shift of the centre on their own.
    const Placement unit = placeVideo(p, 600, {p.w, p.h}, VideoFitMode::fill, 0.8, -0.3, 0.5);
    EXPECT_DOUBLE_EQ(l.videoScale, unit.scaleX);
    EXPECT_NEAR(l.shiftX, unit.tx + unit.width / 2 - p.midX(), 1e-9);
    EXPECT_NEAR(l.shiftY, unit.ty + unit.height / 2 - (600 - p.midY()), 1e-9);
    expectPlacement(l.videoRect(QSizeF(p.w, p.h)), unit);
    expectPlacement(l.videoRect(QSizeF(1920, 1080)),
                    placeVideo(p, 600, {1920, 1080}, VideoFitMode::fill, 0.8, -0.3, 0.5));
}

TEST(PreviewGeometry, ScaleOneAndAHalfWithOffsetsIsTheExportsPlacement) {
    const CanvasRect p = grownScreenRect(kOpening, 300, 600);
    for (VideoFitMode mode : {VideoFitMode::fill, VideoFitMode::fit, VideoFitMode::stretch}) {
        const auto l = computePreviewLayout(QRectF(0, 0, 800, 600), QSizeF(400, 800), kOpening, 150,
                                            20, -40, mode);
        for (QSizeF video : {QSizeF(1080, 1920), QSizeF(1920, 1080), QSizeF(90, 160)}) {
            expectPlacement(l.videoRect(video), placeVideo(p, 600, {video.width(), video.height()},
                                                           mode, 1.5, 0.2, -0.4));
        }
    }
    // Worked through: P is 244 x 544; the centre moves a fifth of half P's width right and 0.4
    // of half its height down (a negative offset goes down), the video grows 1.5 times.
    const auto l =
        computePreviewLayout(QRectF(0, 0, 800, 600), QSizeF(400, 800), kOpening, 150, 20, -40);
    EXPECT_DOUBLE_EQ(l.videoScale, 1.5);
    EXPECT_NEAR(l.shiftX, 24.4, 1e-9);
    EXPECT_NEAR(l.shiftY, 108.8, 1e-9);
    const QRectF same = l.videoRect(QSizeF(244, 544));
    const QRectF pTop = flipToTopLeft(l.player, l.frame.height());
    expectRect(same, pTop.center().x() + 24.4 - 183, pTop.center().y() + 108.8 - 408, 366, 816);
}

TEST(PreviewGeometry, StretchIgnoresTheScaleButNotTheOffsetsLikeTheExport) {
    const auto l = computePreviewLayout(QRectF(0, 0, 800, 600), QSizeF(400, 800), kOpening, 150, 20,
                                        -40, VideoFitMode::stretch);
    EXPECT_EQ(l.videoScale, 1);
    EXPECT_NEAR(l.shiftX, 24.4, 1e-9);
    EXPECT_NEAR(l.shiftY, 108.8, 1e-9);
    // P (28, 28 from the top, 244 x 544), moved 24.4 right and 108.8 down.
    expectRect(l.videoRect(QSizeF(1920, 1080)), 52.4, 136.8, 244, 544);
}

TEST(PreviewGeometry, AScaleThatIsNoNumberDrawsAtFullSizeLikeTheExport) {
    const auto l = computePreviewLayout(QRectF(0, 0, 800, 600), QSizeF(400, 800), kOpening,
                                        std::nan(""), 0, 0);
    EXPECT_EQ(l.videoScale, 1);
    const CanvasRect p = grownScreenRect(kOpening, 300, 600);
    expectPlacement(l.videoRect(QSizeF(1080, 1920)),
                    placeVideo(p, 600, {1080, 1920}, VideoFitMode::fill, std::nan(""), 0, 0));
}

TEST(PreviewGeometry, ScaleNeverDropsBelowATenth) {
    for (double scale : {10.0, 5.0, 0.0, -50.0})
        EXPECT_DOUBLE_EQ(
            computePreviewLayout(QRectF(0, 0, 100, 100), {}, {}, scale, 0, 0).videoScale, 0.1);
}

TEST(PreviewGeometry, WithoutAFrameTheVideoFillsTheViewWithRoundedCorners) {
    const auto l =
        computePreviewLayout(QRectF(0, 0, 600, 400), QSizeF(), {0, 0, 100, 100}, 100, 0, 0);
    EXPECT_FALSE(l.hasFrame);
    expectRect(l.frame, 0, 0, 600, 400);
    expectRect(l.player, -2, -2, 604, 404);
    EXPECT_DOUBLE_EQ(l.containerCornerRadius, 48);
}

TEST(PreviewGeometry, OpeningYIsMeasuredFromTheBottom) {
    // 10% margin below, 30% above: in top-left coordinates the opening starts 30% down.
    const auto l =
        computePreviewLayout(QRectF(0, 0, 100, 200), QSizeF(100, 200), {0, 10, 100, 60}, 100, 0, 0);
    const QRectF s = flipToTopLeft(l.screen, 200);
    EXPECT_DOUBLE_EQ(s.top(), 60);
    EXPECT_DOUBLE_EQ(s.bottom(), 180);
}

TEST(StageGeometry, LargestRectangleOfTheRatioInsideThePaddedArea) {
    EXPECT_EQ(stageSize({840, 740}, 0.5), QSizeF(350, 700));
    EXPECT_EQ(stageSize({440, 1040}, 0.5), QSizeF(400, 800));
    // A missing ratio becomes a thin full-height strip; a tiny area gives nothing negative.
    EXPECT_EQ(stageSize({840, 740}, 0), QSizeF(7, 700));
    EXPECT_EQ(stageSize({840, 740}, std::nan("")), QSizeF(7, 700));
    EXPECT_EQ(stageSize({30, 500}, 0.5), QSizeF(0, 0));
    EXPECT_DOUBLE_EQ(emptyStateCardMaxWidth(350), 332.5);
    EXPECT_DOUBLE_EQ(emptyStateCardMaxWidth(1000), 600);
}

// A feed showing one solid picture.
class SolidFeed : public VideoFeed {
public:
    explicit SolidFeed(QColor c) : frame_(90, 160, QImage::Format_RGBA8888) { frame_.fill(c); }
    QImage currentFrame() const override { return frame_; }
    QSize videoSize() const override { return frame_.size(); }
    void setTargetSize(QSize size) override { target = size; }
    QSize target;

private:
    QImage frame_;
};

// 100 x 200, opaque blue body, transparent opening over columns 10..89, rows 20..169.
std::shared_ptr<const Image> blueFrame() {
    Image img = Image::filled(100, 200, Rgba{0, 0, 255, 255});
    img.fillRect(10, 20, 80, 150, Rgba{0, 0, 0, 0});
    return std::make_shared<const Image>(std::move(img));
}

QImage render(PreviewView& view) {
    return test::renderSettled(view);
}

TEST(PreviewView, ShowsTheVideoOnlyThroughTheOpeningUnderTheFrame) {
    PreviewView view;
    view.resize(200, 400);
    SolidFeed feed(Qt::red);
    view.setFeed(&feed);
    view.setFrameImage(blueFrame());
    // The opening in percent with y from the bottom: 15% below, 10% above.
    view.setScreen({10, 15, 80, 75});
    const QImage out = render(view);
    // The frame fills the view exactly (same aspect): 2 px per frame pixel.
    EXPECT_EQ(QColor(out.pixel(100, 200)), QColor(Qt::red));  // inside the opening
    EXPECT_EQ(QColor(out.pixel(5, 200)), QColor(Qt::blue));   // the device body hides the video
    EXPECT_EQ(QColor(out.pixel(100, 10)), QColor(Qt::blue));
    EXPECT_FALSE(feed.target.isEmpty());
}

TEST(PreviewView, BuildsTheMaskOncePerFrameAndSizeNotPerRepaint) {
    PreviewView view;
    view.resize(200, 400);
    SolidFeed feed(Qt::red);
    view.setFeed(&feed);
    view.setFrameImage(blueFrame());
    view.setScreen({10, 15, 80, 75});
    for (int i = 0; i < 5; ++i) render(view);
    EXPECT_EQ(view.maskBuilds(), 1);
    // The mask is solid in the opening and clear on the body and outside P.
    const QImage& mask = view.cachedMask();
    ASSERT_FALSE(mask.isNull());
    EXPECT_EQ(qAlpha(mask.pixel(100, 200)), 255);
    EXPECT_EQ(qAlpha(mask.pixel(5, 200)), 0);
    // A new size scales the stored mask; only a new frame image works it out again.
    view.resize(100, 200);
    render(view);
    EXPECT_EQ(view.maskBuilds(), 2);
    EXPECT_EQ(view.openingMaskRuns(), 1);
    view.setFrameImage(blueFrame());
    render(view);
    EXPECT_EQ(view.maskBuilds(), 3);
    EXPECT_EQ(view.openingMaskRuns(), 2);
}

TEST(PreviewView, APositiveVerticalOffsetMovesTheVideoUpAndBlackShowsBelowAsInTheExport) {
    PreviewView view;
    view.resize(200, 400);
    SolidFeed feed(Qt::red);
    view.setFeed(&feed);
    // No frame, the whole view: P is 204 x 404 and the 90 x 160 picture fills it 404 high.
    // Half an offset lifts it by a quarter of P's height, 101 points.
    view.setPlacement(100, 0, 50);
    const QImage out = render(view);
    EXPECT_EQ(QColor(out.pixel(100, 20)), QColor(Qt::red));
    EXPECT_EQ(QColor(out.pixel(100, 290)), QColor(Qt::red));
    EXPECT_EQ(QColor(out.pixel(100, 310)), QColor(Qt::black));
    EXPECT_EQ(QColor(out.pixel(100, 390)), QColor(Qt::black));
}

TEST(PreviewView, WithoutAFeedOnlyTheFrameIsDrawn) {
    PreviewView view;
    view.resize(200, 400);
    view.setFrameImage(blueFrame());
    view.setScreen({10, 15, 80, 75});
    const QImage out = render(view);
    EXPECT_EQ(qAlpha(out.pixel(100, 200)), 0);
    EXPECT_EQ(QColor(out.pixel(5, 200)), QColor(Qt::blue));
}

// Frame pictures are made on the pool; the last image asked for is the one drawn, whatever order
// the pictures finish in.
TEST(PreviewView, TheLastFrameImageAskedForIsTheOneDrawn) {
    PreviewView view;
    view.resize(200, 400);
    view.setScreen({10, 15, 80, 75});
    Image wide = Image::filled(200, 100, Rgba{255, 0, 0, 255});
    view.setFrameImage(blueFrame());
    view.setFrameImage(std::make_shared<const Image>(std::move(wide)));
    QImage out = render(view);
    EXPECT_FALSE(view.preparing());
    EXPECT_EQ(view.openingMaskRuns(), 1);
    EXPECT_NEAR(view.layout().frame.width() / view.layout().frame.height(), 2.0, 0.01);
    EXPECT_EQ(QColor(out.pixel(100, 200)), QColor(Qt::red));

    // Taking the frame away while one is still being prepared leaves none.
    view.setFrameImage(blueFrame());
    view.setFrameImage(nullptr);
    out = render(view);
    EXPECT_TRUE(view.layout().frame.isEmpty() || !view.layout().hasFrame);
    EXPECT_EQ(qAlpha(out.pixel(100, 200)), 0);
}

TEST(PreviewStage, SizesTheStageAndShowsTheCardOnlyWhenEmpty) {
    PreviewStageView stage;
    stage.resize(840, 740);
    stage.setStageAspectRatio(0.5);
    EXPECT_EQ(stage.stageRect(), QRectF(245, 20, 350, 700));
    EXPECT_TRUE(stage.showsEmptyState());
    SolidFeed feed(Qt::red);
    stage.setFeed(&feed);
    EXPECT_FALSE(stage.showsEmptyState());
    stage.setFeed(nullptr);
    stage.setFrameImage(blueFrame());
    EXPECT_FALSE(stage.showsEmptyState());
    stage.setFrameImage(nullptr);
    EXPECT_TRUE(stage.showsEmptyState());
    // The card alone: no empty canvas shows through its translucent face.
    EXPECT_TRUE(stage.preview()->isHidden());
    // The card may reach past a narrow stage, but never past 95% of the view (plus its shadow
    // margin), and it is no narrower than its one-line title and hint need.
    stage.show();
    const int card = stage.emptyStateCard()->width() - 2 * EmptyStateCard::kShadowMargin;
    EXPECT_LE(card, 0.95 * 840);
    EXPECT_GT(card, QFontMetrics(textFont(TextStyle::caption, QFont::Medium))
                            .horizontalAdvance(EmptyStateCard::hint()) +
                        48);
}

}  // namespace
}  // namespace kestro
