#include "app/preview/preview_stage_view.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/video_feed.hpp"
#include "app/preview/empty_state_card.hpp"
#include "app/preview/preview_geometry.hpp"
#include "app/preview/preview_view.hpp"

namespace kestro {

namespace {
constexpr int kPreviewShadowMargin = 28;
}

PreviewStageView::PreviewStageView(QWidget* parent)
    : QWidget(parent),
      preview_(new PreviewView(this)),
      card_(new EmptyStateCard(this)),
      ratio_(EditorState::kDefaultStageAspectRatio) {
    setAttribute(Qt::WA_TranslucentBackground);
    preview_->setFitMode(VideoFitMode::fill);
    preview_->setShadowMargin(kPreviewShadowMargin);
    relayout();
}

void PreviewStageView::setFeed(VideoFeed* feed) {
    preview_->setFeed(feed);
    hasFeed_ = feed != nullptr;
    relayout();
}

void PreviewStageView::setFrameImage(std::shared_ptr<const Image> image) {
    hasFrame_ = image != nullptr;
    preview_->setFrameImage(std::move(image));
    relayout();
}

void PreviewStageView::setScreen(const ScreenRect& screen) {
    preview_->setScreen(screen);
}

void PreviewStageView::setPlacement(double scale, double offsetX, double offsetY) {
    preview_->setPlacement(scale, offsetX, offsetY);
}

void PreviewStageView::setCanvas(const PreviewCanvas& canvas) {
    preview_->setCanvas(canvas);
}

void PreviewStageView::setStageAspectRatio(double ratio) {
    ratio_ = ratio;
    relayout();
}

bool PreviewStageView::showsEmptyState() const {
    return !hasFeed_ && !hasFrame_;
}

QRectF PreviewStageView::stageRect() const {
    const QSizeF s = stageSize(QSizeF(size()), ratio_);
    return QRectF((width() - s.width()) / 2, (height() - s.height()) / 2, s.width(), s.height());
}

void PreviewStageView::resizeEvent(QResizeEvent* event) {
    relayout();
    QWidget::resizeEvent(event);
}

void PreviewStageView::relayout() {
    const QRectF stage = stageRect();
    preview_->setGeometry(stage.toAlignedRect().adjusted(
        -kPreviewShadowMargin, -kPreviewShadowMargin, kPreviewShadowMargin, kPreviewShadowMargin));
    card_->setVisible(showsEmptyState());
    // Nothing to draw yet: an empty canvas would only show through the card's frosted face.
    preview_->setVisible(!showsEmptyState());
    if (showsEmptyState()) {
        // The card floats over the stage and may reach past a narrow (portrait) one: sized by
        // the view, its title and hint stay on one line each.
        const QSize cardSize = card_->sizeFor(emptyStateCardMaxWidth(width()));
        card_->setGeometry(QRect(QPoint(int(stage.center().x() - cardSize.width() / 2.0),
                                        int(stage.center().y() - cardSize.height() / 2.0)),
                                 cardSize));
        card_->raise();
    }
    update();
}

}  // namespace kestro
