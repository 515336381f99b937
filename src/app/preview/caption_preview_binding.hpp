#pragma once
// Keeps the preview's caption picture in step with the editor: the story, the trim range (the
// output's clock starts at the trim start and lasts the trimmed length), the playhead and the
// canvas the preview draws (its size, device box and background, read from the view itself so
// the captions sit on exactly the canvas shown).
//
// Threads: the interface thread only.

#include "app/editor/caption_preview.hpp"

#include <QObject>
#include <QTimer>

#include <optional>

namespace kestro {

class EditorState;
class PreviewView;

class CaptionPreviewBinding : public QObject {
    Q_OBJECT
public:
    // Owned by `view`.
    CaptionPreviewBinding(EditorState& state, PreviewView& view);

    // The output time the preview shows: the playhead less the trim start.
    double outputTime() const;
    const CaptionPreview& captions() const { return captions_; }

    // Makes the overlay again when what it is made from changed, then draws the current time.
    void refresh();

    // How long the trimmed length must rest before the captions are made again for it.
    static constexpr int kLengthSettles = 120;  // milliseconds

private:
    EditorState& state_;
    PreviewView& view_;
    CaptionPreview captions_;
    // What the overlay was last made from.
    std::optional<CaptionPreviewInputs> made_;
    QTimer rebuild_;
};

}  // namespace kestro
