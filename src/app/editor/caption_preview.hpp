#pragma once
// The captions and title cards as the preview shows them: the export's own CaptionOverlay,
// made for the export's canvas (its size, the device box, the background a card shows), drawn
// on a see-through picture of that canvas. The preview scales the picture onto its canvas, so
// what it shows at a time is what the export writes at that time of the output.
//
// The picture only changes when some caption fades or appears, so it is kept and made again
// only when the opacities at the asked time differ from the last ones.
//
// Threads: the interface thread only (the overlay and its text renderer are not shared).

#include "core/export/background_fill.hpp"
#include "core/export/canvas_layout.hpp"
#include "core/model/image.hpp"
#include "core/text/caption.hpp"

#include <QImage>
#include <QString>

#include <memory>
#include <vector>

namespace kestro {

class CaptionOverlay;
class TextRenderer;

struct CaptionPreviewInputs {
    StoryText story;
    CanvasLayout canvas;
    BackgroundFill background = BackgroundFill::transparent();
    std::shared_ptr<const Image> backgroundImage;
    double duration = 0;  // seconds of output (the trimmed length)
};

class CaptionPreview {
public:
    CaptionPreview();
    ~CaptionPreview();
    CaptionPreview(const CaptionPreview&) = delete;
    CaptionPreview& operator=(const CaptionPreview&) = delete;

    // Makes the overlay for new inputs. An empty story, an empty canvas or a story the export
    // would refuse shows nothing (problem() then says why, for a story).
    void setInputs(const CaptionPreviewInputs& inputs);
    const QString& problem() const { return problem_; }
    bool empty() const { return !overlay_; }

    // The canvas-sized picture (premultiplied ARGB) at output time `t`, or a null image when
    // nothing shows then.
    QImage pictureAt(double t);

private:
    std::unique_ptr<TextRenderer> renderer_;  // made on first use: font setup takes a while
    std::unique_ptr<CaptionOverlay> overlay_;
    std::shared_ptr<const Image> backgroundImage_;
    int width_ = 0;
    int height_ = 0;
    QString problem_;
    std::vector<double> shownOpacities_;
    QImage shown_;
};

}  // namespace kestro
