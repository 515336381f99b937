#include "app/preview/caption_preview_binding.hpp"

#include "app/editor/editor_state.hpp"
#include "app/preview/preview_view.hpp"

#include <algorithm>

namespace kestro {

namespace {

bool sameInputs(const CaptionPreviewInputs& a, const CaptionPreviewInputs& b) {
    const auto sameCaption = [](const Caption& x, const Caption& y) {
        return x.start == y.start && x.end == y.end && x.text == y.text &&
               x.position == y.position && x.sizePercent == y.sizePercent &&
               x.pointX == y.pointX && x.pointY == y.pointY && x.textColour == y.textColour &&
               x.pillColour == y.pillColour && x.pillOpacity == y.pillOpacity &&
               x.fadeIn == y.fadeIn && x.fadeOut == y.fadeOut;
    };
    const auto sameCard = [](const std::optional<TitleCard>& x, const std::optional<TitleCard>& y) {
        if (x.has_value() != y.has_value()) return false;
        return !x || (x->title == y->title && x->subtitle == y->subtitle &&
                      x->seconds == y->seconds && x->fade == y->fade &&
                      x->textColour == y->textColour);
    };
    return a.canvas == b.canvas && a.background == b.background &&
           a.backgroundImage == b.backgroundImage && a.duration == b.duration &&
           a.story.captions.size() == b.story.captions.size() &&
           std::equal(a.story.captions.begin(), a.story.captions.end(), b.story.captions.begin(),
                      sameCaption) &&
           sameCard(a.story.intro, b.story.intro) && sameCard(a.story.outro, b.story.outro);
}

}  // namespace

CaptionPreviewBinding::CaptionPreviewBinding(EditorState& state, PreviewView& view)
    : QObject(&view), state_(state), view_(view) {
    rebuild_.setSingleShot(true);
    rebuild_.setInterval(kLengthSettles);
    connect(&rebuild_, &QTimer::timeout, this, [this] {
        made_.reset();
        refresh();
    });
    connect(&state_.story(), &StoryTrack::changed, this, &CaptionPreviewBinding::refresh);
    connect(&state_.playback(), &PlaybackSession::currentTimeChanged, this,
            &CaptionPreviewBinding::refresh);
    connect(&state_.playback(), &PlaybackSession::trimStartChanged, this,
            &CaptionPreviewBinding::refresh);
    connect(&state_.playback(), &PlaybackSession::trimEndChanged, this,
            &CaptionPreviewBinding::refresh);
    connect(&state_.speedTrack(), &SpeedTrackState::changed, this, &CaptionPreviewBinding::refresh);
    connect(&view_, &PreviewView::canvasChanged, this, &CaptionPreviewBinding::refresh);
    refresh();
}

double CaptionPreviewBinding::outputTime() const {
    return state_.outputTimeAt(state_.playback().currentTime());
}

void CaptionPreviewBinding::refresh() {
    const PreviewCanvas& canvas = view_.canvas();
    if (!canvas.layout) {
        made_.reset();
        captions_.setInputs({});
        view_.setCaptionPicture({});
        return;
    }
    CaptionPreviewInputs inputs;
    inputs.story = state_.story().text();
    inputs.canvas = *canvas.layout;
    inputs.background = canvas.background;
    inputs.backgroundImage = canvas.backgroundImage;
    inputs.duration = std::max(0.0, state_.outputTimeAt(state_.playback().trimEnd()));
    if (!made_ || !sameInputs(*made_, inputs)) {
        CaptionPreviewInputs sameLength = inputs;
        sameLength.duration = made_ ? made_->duration : 0;
        if (made_ && sameInputs(*made_, sameLength)) {
            // Only the trimmed length moved (a trim handle being dragged): title cards are
            // canvas-sized pictures, so they are made again once the drag rests.
            rebuild_.start();
        } else {
            rebuild_.stop();
            captions_.setInputs(inputs);
            made_ = std::move(inputs);
        }
    }
    view_.setCaptionPicture(captions_.pictureAt(outputTime()));
}

}  // namespace kestro
