#include "app/editor/editor_state.hpp"

#include "app/editor/settings_file.hpp"
#include "app/editor/tap_style_preferences.hpp"
#include "core/export/export_request.hpp"
#include "core/model/time_map.hpp"

#include <QSettings>

#include <algorithm>
#include <cmath>

namespace kestro {

EditorState::EditorState(std::unique_ptr<MediaBackend> backend, QObject* parent)
    : QObject(parent), playback_(new PlaybackSession(std::move(backend), this)) {
    {
        const QSettings settings = openSettings();
        isDarkMode_ = settings.value(kDarkModeKey, false).toBool();
        tapStyle_ = readTapStylePreferences(settings);
    }
    connect(export_, &ExportChoicesStore::canvasShapeChanged, this,
            &EditorState::updateStageAspectRatio);
    connect(frame_, &FrameSelection::placementReset, this, &EditorState::updateStageAspectRatio);
    connect(playback_, &PlaybackSession::movieChanging, this, &EditorState::beginNewMovie);
    connect(playback_, &PlaybackSession::movieLoaded, this, &EditorState::finishMovieLoad);
    connect(playback_, &PlaybackSession::movieCleared, this, &EditorState::finishMovieClear);
    connect(playback_, &PlaybackSession::durationChanged, this,
            [this](double seconds) { camera_.setDuration(seconds); });
    // Captions are timed on the output's clock: its length follows the trim and the speeds.
    connect(playback_, &PlaybackSession::trimStartChanged, this, &EditorState::updateOutputLength);
    connect(playback_, &PlaybackSession::trimEndChanged, this, &EditorState::updateOutputLength);
    connect(speedTrack_, &SpeedTrackState::changed, this, &EditorState::updateOutputLength);
}

EditorState::~EditorState() {
    // The player goes first, with its observers, as the other parts may still be asked about it.
    QObject::disconnect(playback_, nullptr, this, nullptr);
    delete playback_;
    playback_ = nullptr;
}

void EditorState::setAlertPresenter(AlertPresenter* presenter) {
    alerts_ = presenter;
    playback_->setAlertPresenter(presenter);
    frame_->setAlertPresenter(presenter);
    export_->setAlertPresenter(presenter);
}

void EditorState::setFileDialogs(FileDialogs* dialogs) {
    playback_->setFileDialogs(dialogs);
    export_->setFileDialogs(dialogs);
}

void EditorState::setDarkMode(bool dark) {
    if (isDarkMode_ == dark) return;
    isDarkMode_ = dark;
    openSettings().setValue(kDarkModeKey, dark);
    emit isDarkModeChanged(dark);
}

void EditorState::setDarkModeForThisRun(bool dark) {
    if (isDarkMode_ == dark) return;
    isDarkMode_ = dark;
    emit isDarkModeChanged(dark);
}

// --- Window lifecycle --------------------------------------------------------------------------

void EditorState::onAppear() {
    emit appeared();
}

void EditorState::onDisappear() {
    playback_->onDisappear();
}

void EditorState::onWillTerminate() {
    playback_->onWillTerminate();
}

// --- A new movie -------------------------------------------------------------------------------

void EditorState::beginNewMovie() {
    // Another movie: its own camera, speeds and history.
    camera_.reset();
    history_->clear();
    speedTrack_->reset();
}

void EditorState::finishMovieLoad(const TouchTrack& touches, const QString& touchProblem) {
    // Without a frame the stage takes the recording's shape (through the canvas it sits on).
    updateStageAspectRatio();
    frame_->followRecording();
    history_->clear();
    setTouchTrack(touches);
    // The movie is fine without its taps; the user is told why they are missing.
    if (!touchProblem.isEmpty() && alerts_)
        alerts_->showAlert(QStringLiteral("Touches Not Shown"),
                           QStringLiteral("The touch file beside this movie cannot be used: %1")
                               .arg(touchProblem));
}

void EditorState::finishMovieClear() {
    updateStageAspectRatio();
    history_->clear();
    setTouchTrack({});
}

void EditorState::setTouchTrack(TouchTrack track) {
    if (track == touchTrack_) return;
    touchTrack_ = std::move(track);
    emit touchTrackChanged();
}

void EditorState::setTapStyle(const TapStyle& style) {
    if (style == tapStyle_) return;
    tapStyle_ = style;
    QSettings settings = openSettings();
    writeTapStylePreferences(settings, style);
    emit tapStyleChanged();
}

// --- The canvas --------------------------------------------------------------------------------

QSize EditorState::recordingSize() const {
    const PlayerHandle* player = playback_ ? playback_->player() : nullptr;
    return player ? player->videoSize() : QSize(0, 0);
}

void EditorState::setStageAspectRatio(double ratio) {
    if (stageAspectRatio_ == ratio) return;
    stageAspectRatio_ = ratio;
    emit stageAspectRatioChanged(ratio);
}

void EditorState::updateStageAspectRatio() {
    double ratio = kDefaultStageAspectRatio;
    const std::shared_ptr<const Image>& frame = frame_->frameImage();
    const bool hasRecording = playback_->player() != nullptr;
    // The stage shows the export's canvas once there is something to put on it.
    if (const auto layout = canvasLayout(); layout && (frame || hasRecording)) {
        ratio = double(layout->width) / double(layout->height);
    } else if (frame && frame->width > 0 && frame->height > 0) {
        ratio = double(frame->width) / double(frame->height);
    } else if (hasRecording) {
        // The player reports the upright size, with any rotation of the track already applied.
        const QSize size = recordingSize();
        if (size.height() > 0 && size.width() > 0)
            ratio = std::abs(double(size.width()) / size.height());
    }
    setStageAspectRatio(ratio);
}

std::optional<CanvasLayout> EditorState::canvasLayout() const {
    const ExportPreferences& prefs = export_->preferences();
    ExportChoices choices;
    choices.format = prefs.format;
    choices.resolution = prefs.resolution;
    choices.aspect = prefs.canvas.aspect;
    choices.paddingPercent = prefs.canvas.paddingPercent;
    if (prefs.appStorePreview) choices.appStore = prefs.appStorePreset;
    if (playback_->player()) {
        const QSize size = recordingSize();
        choices.recordingSize = VideoSize{double(size.width()), double(size.height())};
    }
    // The store's preview never shows the frame.
    const Image* frame = prefs.appStorePreview ? nullptr : frame_->frameImage().get();
    auto layout = canvasLayoutFor(choices, frame);
    if (!layout) return std::nullopt;
    return *layout;
}

// --- Tracks ------------------------------------------------------------------------------------

void EditorState::updateOutputLength() {
    story_.setOutputLength(
        std::max(0.0, speedTrack_->outputLength(playback_->trimStart(), playback_->trimEnd())));
}

double EditorState::outputTimeAt(double recordingSeconds) const {
    const double start = playback_->trimStart();
    const double end = std::max(start, playback_->trimEnd());
    return TimeMap(start, end, speedTrack_->segments()).outputAt(recordingSeconds);
}

double EditorState::recordingTimeAt(double outputSeconds) const {
    const double start = playback_->trimStart();
    const double end = std::max(start, playback_->trimEnd());
    return TimeMap(start, end, speedTrack_->segments()).sourceAt(outputSeconds);
}

}  // namespace kestro
