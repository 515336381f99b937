#include "app/editor/editor_state.hpp"

#include "core/model/time_map.hpp"

#include "app/editor/playback_error.hpp"
#include "app/editor/settings_file.hpp"
#include "core/export/background_image.hpp"
#include "core/export/export_request.hpp"
#include "core/model/device_screens.hpp"
#include "core/model/frame_catalog.hpp"
#include "core/model/frame_image.hpp"
#include "core/model/touch_file.hpp"

#include <QFileInfo>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kestro {

EditorState::EditorState(std::unique_ptr<MediaBackend> backend, QObject* parent)
    : QObject(parent), backend_(std::make_shared<SharedBackend>()) {
    backend_->backend = backend ? std::move(backend) : makeDefaultMediaBackend();
    QSettings settings = openSettings();
    isDarkMode_ = settings.value(kDarkModeKey, false).toBool();
    connect(export_, &ExportChoicesStore::canvasShapeChanged, this,
            &EditorState::updateStageAspectRatio);
    connect(frame_, &FrameSelection::placementReset, this, &EditorState::updateStageAspectRatio);
    // Captions are timed on the output's clock: its length follows the trim and the speeds.
    const auto outputLength = [this] {
        story_.setOutputLength(std::max(0.0, speedTrack_->outputLength(trimStart_, trimEnd_)));
    };
    connect(this, &EditorState::trimStartChanged, this, outputLength);
    connect(this, &EditorState::trimEndChanged, this, outputLength);
    connect(speedTrack_, &SpeedTrackState::changed, this, outputLength);
}

EditorState::~EditorState() {
    tasks_.detach();
    removeTimeObserver();
    removePlayerItemObservers();
    QObject::disconnect(endObserver_);
    player_.reset();
}

void EditorState::setAlertPresenter(AlertPresenter* presenter) {
    alerts_ = presenter;
    export_->setAlertPresenter(presenter);
    frame_->setAlertPresenter(presenter);
}

void EditorState::setFileDialogs(FileDialogs* dialogs) {
    dialogs_ = dialogs;
    export_->setFileDialogs(dialogs);
}

void EditorState::alert(const QString& title, const QString& message) {
    if (alerts_) alerts_->showAlert(title, message);
}

// --- Setters -----------------------------------------------------------------------------------

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

void EditorState::setTrimStart(double seconds) {
    if (trimStart_ == seconds) return;
    trimStart_ = seconds;
    emit trimStartChanged(seconds);
}

void EditorState::setTrimEnd(double seconds) {
    if (trimEnd_ == seconds) return;
    trimEnd_ = seconds;
    emit trimEndChanged(seconds);
}

void EditorState::setCurrentTime(double seconds) {
    if (currentTime_ == seconds) return;
    currentTime_ = seconds;
    emit currentTimeChanged(seconds);
}

void EditorState::setIsPlaying(bool playing) {
    if (isPlaying_ == playing) return;
    isPlaying_ = playing;
    emit isPlayingChanged(playing);
}

void EditorState::setDuration(double seconds) {
    if (duration_ == seconds) return;
    duration_ = seconds;
    camera_.setDuration(seconds);
    emit durationChanged(seconds);
}

QSize EditorState::recordingSize() const {
    return player_ ? player_->videoSize() : QSize(0, 0);
}

void EditorState::setStageAspectRatio(double ratio) {
    if (stageAspectRatio_ == ratio) return;
    stageAspectRatio_ = ratio;
    emit stageAspectRatioChanged(ratio);
}

// --- Window lifecycle --------------------------------------------------------------------------

void EditorState::onAppear() {
    emit appeared();
}

void EditorState::onDisappear() {
    if (player_) player_->pause();
    setIsPlaying(false);
    removeTimeObserver();
    removePlayerItemObservers();
}

void EditorState::onWillTerminate() {
    if (player_) player_->pause();
    removeTimeObserver();
    removePlayerItemObservers();
}

// --- Import and playback -----------------------------------------------------------------------

void EditorState::importVideo() {
    if (!dialogs_) return;
    const std::optional<QString> chosen = dialogs_->chooseMovie();
    if (!chosen) return;
    QTimer::singleShot(0, this, [this, path = *chosen] { loadVideo(path); });
}

// What a pool job found out about a movie: the alert that refuses it, or its facts and the
// source opened on it.
struct EditorState::MovieLoad {
    QString refusalTitle;  // empty when the movie can be used
    QString refusalMessage;
    MovieFacts facts;
    std::optional<PlayerHandle::OpenedSource> opened;
    TouchTrack touches;     // from the touch file beside the movie, when there is one
    QString touchProblem;   // why that file cannot be used; empty when it can or there is none
};

bool EditorState::loadVideo(const QString& path, std::function<void(bool)> whenDone) {
    const auto refuse = [&](const QString& title, const QString& message) {
        alert(title, message);
        if (whenDone) whenDone(false);
        return false;
    };
    const QFileInfo info(path);
    // A folder is no movie file: it is reported as missing rather than as an unknown format.
    if (!info.exists() || info.isDir())
        return refuse(QStringLiteral("File Not Found"),
                      QStringLiteral("The selected file could not be found."));
    if (!info.isReadable())
        return refuse(QStringLiteral("Permission Denied"),
                      QStringLiteral("You don't have permission to read this file."));
    const std::uint64_t generation = ++movieGeneration_;
    movieLoading_ = true;
    tasks_.run<MovieLoad>(
        "kestro-movie-open",
        [shared = backend_, file = std::filesystem::path(path.toStdString())] {
            std::lock_guard lock(shared->mutex);
            return probeAndOpen(*shared->backend, file);
        },
        [this, generation, path, whenDone = std::move(whenDone)](MovieLoad load) {
            bool loaded = false;
            if (generation == movieGeneration_) {
                movieLoading_ = false;
                loaded = applyLoadedMovie(path, std::move(load));
            }
            if (whenDone) whenDone(loaded);
        },
        BackgroundTasks::Priority::normal);
    return true;
}

// Pool thread. Probed first, so a file the player could not use is refused with the reason the
// user can act on, before anything is opened.
EditorState::MovieLoad EditorState::probeAndOpen(MediaBackend& backend,
                                                 const std::filesystem::path& file) {
    MovieLoad load;
    const auto refuse = [&](const QString& title, const QString& message) {
        load.refusalTitle = title;
        load.refusalMessage = message;
        return std::move(load);
    };
    const QString importFailed = QStringLiteral("Failed to Import Video");
    auto facts = backend.probe(file);
    if (!facts) return refuse(importFailed, playbackErrorMessage(facts.error()));
    if (!facts->playable)
        return refuse(QStringLiteral("Unsupported Format"),
                      QStringLiteral("This video format is not supported. Try MP4 or MOV files."));
    if (!facts->hasVideo)
        return refuse(QStringLiteral("No Video"),
                      QStringLiteral("This file doesn't contain any video tracks."));
    if (!std::isfinite(facts->duration) || facts->duration <= 0)
        return refuse(QStringLiteral("Invalid Video"),
                      QStringLiteral("This video has an invalid duration."));
    auto opened = PlayerHandle::openSource(backend, file);
    if (!opened) return refuse(importFailed, playbackErrorMessage(opened.error()));
    load.facts = *facts;
    load.opened = std::move(opened.value());
    if (auto touches = readTouchFileBeside(file); !touches)
        load.touchProblem = QString::fromStdString(touches.error());
    else if (*touches)
        load.touches = std::move(**touches);
    return load;
}

bool EditorState::applyLoadedMovie(const QString& path, MovieLoad load) {
    if (!load.opened) {
        // Nothing was torn down for it: the previous movie keeps playing with its observers.
        alert(load.refusalTitle, load.refusalMessage);
        return false;
    }
    removeTimeObserver();
    removePlayerItemObservers();
    QObject::disconnect(endObserver_);

    // Another movie: its own camera and its own history.
    camera_.reset();
    history_->clear();
    const MovieFacts& facts = load.facts;
    videoPath_ = path;
    history_->clear();
    speedTrack_->reset();
    frameRate_ = std::isfinite(facts.frameRate) && facts.frameRate > 0 ? facts.frameRate : 0;
    setDuration(facts.duration);
    setTrimStart(0);
    setTrimEnd(facts.duration);
    player_ = PlayerHandle::adopt(std::move(*load.opened));
    endObserver_ =
        connect(player_.get(), &PlayerHandle::reachedEnd, this, &EditorState::handlePlaybackEnd);
    emit videoPathChanged();
    emit playerChanged(player_.get());
    setupPlayerItemObservers();
    setupTimeObserver();
    // Without a frame the stage takes the recording's shape (through the canvas it sits on).
    updateStageAspectRatio();
    player_->play();
    setIsPlaying(true);
    frame_->followRecording();
    history_->clear();
    setTouchTrack(std::move(load.touches));
    // The movie is fine without its taps; the user is told why they are missing.
    if (!load.touchProblem.isEmpty())
        alert(QStringLiteral("Touches Not Shown"),
              QStringLiteral("The touch file beside this movie cannot be used: %1")
                  .arg(load.touchProblem));
    return true;
}

void EditorState::setTouchTrack(TouchTrack track) {
    if (track == touchTrack_) return;
    touchTrack_ = std::move(track);
    emit touchTrackChanged();
}

void EditorState::clearVideo() {
    // A movie still being opened would otherwise land after the reset.
    ++movieGeneration_;
    movieLoading_ = false;
    if (player_) player_->pause();
    removeTimeObserver();
    removePlayerItemObservers();
    QObject::disconnect(endObserver_);
    const bool hadVideo = videoPath_.has_value();
    videoPath_.reset();
    const bool hadPlayer = player_ != nullptr;
    player_.reset();
    if (hadVideo) emit videoPathChanged();
    if (hadPlayer) emit playerChanged(nullptr);
    setDuration(0);
    setTrimStart(0);
    setTrimEnd(0);
    setCurrentTime(0);
    setIsPlaying(false);
    updateStageAspectRatio();
    history_->clear();
    setTouchTrack({});
}

void EditorState::setupTimeObserver() {
    if (!player_) return;
    removeTimeObserver();
    timeObserver_ = connect(player_.get(), &PlayerHandle::timeChanged, this, [this](double t) {
        setCurrentTime(std::isfinite(t) ? t : 0);
        // Playback stops at the end of the trimmed range rather than looping.
        if (trimEnd_ <= currentTime_) {
            if (player_) player_->pause();
            setIsPlaying(false);
        }
    });
}

void EditorState::removeTimeObserver() {
    if (timeObserver_) QObject::disconnect(timeObserver_);
    timeObserver_ = {};
}

void EditorState::setupPlayerItemObservers() {
    removePlayerItemObservers();
    if (!player_) return;
    itemObservers_.append(connect(player_.get(), &PlayerHandle::failed, this,
                                  [this](const QString& description) {
                                      alert(QStringLiteral("Playback Error"), description);
                                  }));
}

void EditorState::removePlayerItemObservers() {
    for (const auto& c : itemObservers_) QObject::disconnect(c);
    itemObservers_.clear();
}

void EditorState::handlePlaybackEnd() {
    if (player_) player_->seek(trimStart_);
    setIsPlaying(false);
}

void EditorState::togglePlayPause() {
    if (!player_) return;
    if (isPlaying_) {
        player_->pause();
        setIsPlaying(false);
        return;
    }
    if (currentTime_ < trimStart_ || currentTime_ >= trimEnd_) {
        player_->seek(trimStart_);
        setCurrentTime(trimStart_);
    }
    player_->play();
    setIsPlaying(true);
}

void EditorState::seekPaused(double seconds) {
    if (!player_) return;
    if (isPlaying_) {
        player_->pause();
        setIsPlaying(false);
    }
    player_->seek(seconds);
    setCurrentTime(seconds);
}

void EditorState::stepBy(double seconds) {
    if (!player_ || !(duration_ > 0) || !std::isfinite(seconds)) return;
    seekPaused(std::clamp(currentTime_ + seconds, 0.0, duration_));
}

void EditorState::setTrimStartAtPlayhead() {
    if (!player_ || trimEnd_ - kMinimumTrimRange < 0) return;
    setTrimStart(std::clamp(currentTime_, 0.0, trimEnd_ - kMinimumTrimRange));
}

void EditorState::setTrimEndAtPlayhead() {
    if (!player_ || trimStart_ + kMinimumTrimRange > duration_) return;
    setTrimEnd(std::clamp(currentTime_, trimStart_ + kMinimumTrimRange, duration_));
}

void EditorState::goToTrimStart() { seekPaused(trimStart_); }

void EditorState::goToTrimEnd() { seekPaused(trimEnd_); }

void EditorState::seekToTime(double seconds, bool pauseAfter) {
    if (!player_) return;
    player_->seek(seconds);
    if (pauseAfter) {
        QTimer::singleShot(0, this, [this] {
            if (player_) player_->pause();
            setIsPlaying(false);
        });
    }
}

void EditorState::updateStageAspectRatio() {
    double ratio = kDefaultStageAspectRatio;
    const std::shared_ptr<const Image>& frame = frame_->frameImage();
    // The stage shows the export's canvas once there is something to put on it.
    if (const auto layout = canvasLayout(); layout && (frame || player_)) {
        ratio = double(layout->width) / double(layout->height);
    } else if (frame && frame->width > 0 && frame->height > 0) {
        ratio = double(frame->width) / double(frame->height);
    } else if (player_) {
        // The player reports the upright size, with any rotation of the track already applied.
        const QSize size = player_->videoSize();
        if (size.height() > 0 && size.width() > 0) ratio = std::abs(double(size.width()) / size.height());
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
    if (player_) {
        const QSize size = player_->videoSize();
        choices.recordingSize = VideoSize{double(size.width()), double(size.height())};
    }
    // The store's preview never shows the frame.
    const Image* frame = prefs.appStorePreview ? nullptr : frame_->frameImage().get();
    auto layout = canvasLayoutFor(choices, frame);
    if (!layout) return std::nullopt;
    return *layout;
}

double EditorState::outputTimeAt(double recordingSeconds) const {
    const double end = std::max(trimStart_, trimEnd_);
    return TimeMap(trimStart_, end, speedTrack_->segments()).outputAt(recordingSeconds);
}

double EditorState::recordingTimeAt(double outputSeconds) const {
    const double end = std::max(trimStart_, trimEnd_);
    return TimeMap(trimStart_, end, speedTrack_->segments()).sourceAt(outputSeconds);
}

}  // namespace kestro
