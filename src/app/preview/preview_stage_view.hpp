#pragma once
// The editor's preview area: a stage of the editor's aspect ratio fitted into the space given,
// holding the live preview, and the empty-state card while neither a movie nor a frame is
// loaded.

#include "core/model/image.hpp"
#include "core/model/screen_rect.hpp"

#include <QWidget>

#include <memory>

namespace kestro {

class EmptyStateCard;
class PreviewView;
struct PreviewCanvas;
class VideoFeed;

class PreviewStageView : public QWidget {
    Q_OBJECT
public:
    explicit PreviewStageView(QWidget* parent = nullptr);

    void setFeed(VideoFeed* feed);
    void setFrameImage(std::shared_ptr<const Image> image);
    void setScreen(const ScreenRect& screen);
    void setPlacement(double scale, double offsetX, double offsetY);
    void setStageAspectRatio(double ratio);
    void setCanvas(const PreviewCanvas& canvas);

    // The stage rectangle in this widget's coordinates.
    QRectF stageRect() const;
    PreviewView* preview() const { return preview_; }
    EmptyStateCard* emptyStateCard() const { return card_; }
    bool showsEmptyState() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void relayout();

    PreviewView* preview_;
    EmptyStateCard* card_;
    double ratio_;
    bool hasFeed_ = false;
    bool hasFrame_ = false;
};

}  // namespace kestro
