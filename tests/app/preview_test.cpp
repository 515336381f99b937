// Preview and stage geometry with worked numbers, and what the preview actually draws: the video
// only through the frame's opening, the frame on top, the mask built once per frame and size.

#include "app/editor/player_handle.hpp"
#include "app/preview/empty_state_card.hpp"
#include "app/preview/preview_geometry.hpp"
#include "app/preview/preview_stage_view.hpp"
#include "app/preview/preview_view.hpp"
#include "app/preview/video_feed.hpp"
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
    const auto l = computePreviewLayout(QRectF(0, 0, 800, 600), QSizeF(400, 800), {10, 5, 80, 90}, 100, 0, 0);
    expectRect(l.frame, 250, 0, 300, 600);
    expectRect(l.screen, 280, 30, 240, 540);
    expectRect(l.player, 28, 28, 244, 544);
    EXPECT_NEAR(l.playerCornerRadius, 31.72, 1e-9);
    EXPECT_TRUE(l.identityTransform());
    EXPECT_EQ(l.containerCornerRadius, 0);
}

TEST(PreviewGeometry, ScaleAndOffsetsMoveTheVideoAboutThePlayersCentre) {
    const auto l = computePreviewLayout(QRectF(0, 0, 800, 600), QSizeF(400, 800), {10, 5, 80, 90}, 150, 20, -40);
    EXPECT_DOUBLE_EQ(l.videoScale, 1.5);
    EXPECT_NEAR(l.shiftX, 12.2, 1e-9);
    EXPECT_NEAR(l.shiftY, -54.4, 1e-9);
    // In top-left coordinates: the centre stays put up to the shift, 12.2 right and 54.4 up.
    const QRectF p = flipToTopLeft(l.player, l.frame.height());
    const QTransform t = l.videoTransform(p);
    const QPointF c = t.map(p.center());
    EXPECT_NEAR(c.x(), p.center().x() + 12.2, 1e-9);
    EXPECT_NEAR(c.y(), p.center().y() - 54.4, 1e-9);
    // Scaled 1.5 times: a corner moves 1.5 times as far from the centre (plus the shift).
    const QPointF corner = t.map(p.topLeft());
    EXPECT_NEAR(corner.x() - c.x(), 1.5 * (p.left() - p.center().x()), 1e-9);
}

TEST(PreviewGeometry, ScaleNeverDropsBelowATenth) {
    for (double scale : {10.0, 5.0, 0.0, -50.0})
        EXPECT_DOUBLE_EQ(computePreviewLayout(QRectF(0, 0, 100, 100), {}, {}, scale, 0, 0).videoScale, 0.1);
}

TEST(PreviewGeometry, WithoutAFrameTheVideoFillsTheViewWithRoundedCorners) {
    const auto l = computePreviewLayout(QRectF(0, 0, 600, 400), QSizeF(), {0, 0, 100, 100}, 100, 0, 0);
    EXPECT_FALSE(l.hasFrame);
    expectRect(l.frame, 0, 0, 600, 400);
    expectRect(l.player, -2, -2, 604, 404);
    EXPECT_DOUBLE_EQ(l.containerCornerRadius, 48);
}

TEST(PreviewGeometry, OpeningYIsMeasuredFromTheBottom) {
    // 10% margin below, 30% above: in top-left coordinates the opening starts 30% down.
    const auto l = computePreviewLayout(QRectF(0, 0, 100, 200), QSizeF(100, 200), {0, 10, 100, 60}, 100, 0, 0);
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

QImage render(QWidget& w) {
    QImage out(w.size(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    w.render(&out, QPoint(), QRegion(), QWidget::DrawChildren);
    return out;
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
    view.resize(100, 200);
    render(view);
    EXPECT_EQ(view.maskBuilds(), 2);
    view.setFrameImage(blueFrame());
    render(view);
    EXPECT_EQ(view.maskBuilds(), 3);
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
    // The card never exceeds 95% of the stage's width (plus its shadow margin).
    stage.show();
    EXPECT_LE(stage.emptyStateCard()->width() - 2 * EmptyStateCard::kShadowMargin, 332.5);
}

}  // namespace
}  // namespace kestro
