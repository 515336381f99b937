#include "app/editor/playback_session.hpp"

#include "app/editor/playback_error.hpp"
#include "core/model/touch_file.hpp"

#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kestro {

PlaybackSession::PlaybackSession(std::unique_ptr<MediaBackend> backend, QObject* parent)
    : QObject(parent), backend_(std::make_shared<SharedBackend>()) {
    backend_->backend = backend ? std::move(backend) : makeDefaultMediaBackend();
}

PlaybackSession::~PlaybackSession() {
    tasks_.detach();
    removeTimeObserver();
    removePlayerItemObservers();
    QObject::disconnect(endObserver_);
    player_.reset();
}

void PlaybackSession::alert(const QString& title, const QString& message) {
    if (alerts_) alerts_->showAlert(title, message);
}

void PlaybackSession::setTrimStart(double seconds) {
    if (trimStart_ == seconds) return;
    trimStart_ = seconds;
    emit trimStartChanged(seconds);
}

void PlaybackSession::setTrimEnd(double seconds) {
    if (trimEnd_ == seconds) return;
    trimEnd_ = seconds;
    emit trimEndChanged(seconds);
}

void PlaybackSession::setCurrentTime(double seconds) {
    if (currentTime_ == seconds) return;
    currentTime_ = seconds;
    emit currentTimeChanged(seconds);
}

void PlaybackSession::setIsPlaying(bool playing) {
    if (isPlaying_ == playing) return;
    isPlaying_ = playing;
    emit isPlayingChanged(playing);
}

void PlaybackSession::setDuration(double seconds) {
    if (duration_ == seconds) return;
    duration_ = seconds;
    emit durationChanged(seconds);
}

void PlaybackSession::onDisappear() {
    if (player_) player_->pause();
    setIsPlaying(false);
    removeTimeObserver();
    removePlayerItemObservers();
}

void PlaybackSession::onWillTerminate() {
    if (player_) player_->pause();
    removeTimeObserver();
    removePlayerItemObservers();
}

void PlaybackSession::importVideo() {
    if (!dialogs_) return;
    const std::optional<QString> chosen = dialogs_->chooseMovie();
    if (!chosen) return;
    QTimer::singleShot(0, this, [this, path = *chosen] { loadVideo(path); });
}

// What a pool job found out about a movie: the alert that refuses it, or its facts and the
// source opened on it.
struct PlaybackSession::MovieLoad {
    QString refusalTitle;  // empty when the movie can be used
    QString refusalMessage;
    MovieFacts facts;
    std::optional<PlayerHandle::OpenedSource> opened;
    TouchTrack touches;    // from the touch file beside the movie, when there is one
    QString touchProblem;  // why that file cannot be used; empty when it can or there is none
};

bool PlaybackSession::loadVideo(const QString& path, std::function<void(bool)> whenDone) {
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
PlaybackSession::MovieLoad PlaybackSession::probeAndOpen(MediaBackend& backend,
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

bool PlaybackSession::applyLoadedMovie(const QString& path, MovieLoad load) {
    if (!load.opened) {
        // Nothing was torn down for it: the previous movie keeps playing with its observers.
        alert(load.refusalTitle, load.refusalMessage);
        return false;
    }
    removeTimeObserver();
    removePlayerItemObservers();
    QObject::disconnect(endObserver_);
    emit movieChanging();

    const MovieFacts& facts = load.facts;
    videoPath_ = path;
    frameRate_ = std::isfinite(facts.frameRate) && facts.frameRate > 0 ? facts.frameRate : 0;
    setDuration(facts.duration);
    setTrimStart(0);
    setTrimEnd(facts.duration);
    player_ = PlayerHandle::adopt(std::move(*load.opened));
    endObserver_ = connect(player_.get(), &PlayerHandle::reachedEnd, this,
                           &PlaybackSession::handlePlaybackEnd);
    emit videoPathChanged();
    emit playerChanged(player_.get());
    setupPlayerItemObservers();
    setupTimeObserver();
    player_->play();
    setIsPlaying(true);
    emit movieLoaded(load.touches, load.touchProblem);
    return true;
}

void PlaybackSession::clearVideo() {
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
    emit movieCleared();
}

void PlaybackSession::setupTimeObserver() {
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

void PlaybackSession::removeTimeObserver() {
    if (timeObserver_) QObject::disconnect(timeObserver_);
    timeObserver_ = {};
}

void PlaybackSession::setupPlayerItemObservers() {
    removePlayerItemObservers();
    if (!player_) return;
    itemObservers_.append(
        connect(player_.get(), &PlayerHandle::failed, this, [this](const QString& description) {
            alert(QStringLiteral("Playback Error"), description);
        }));
}

void PlaybackSession::removePlayerItemObservers() {
    for (const auto& c : itemObservers_) QObject::disconnect(c);
    itemObservers_.clear();
}

void PlaybackSession::handlePlaybackEnd() {
    if (player_) player_->seek(trimStart_);
    setIsPlaying(false);
}

void PlaybackSession::togglePlayPause() {
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

void PlaybackSession::seekPaused(double seconds) {
    if (!player_) return;
    if (isPlaying_) {
        player_->pause();
        setIsPlaying(false);
    }
    player_->seek(seconds);
    setCurrentTime(seconds);
}

void PlaybackSession::stepBy(double seconds) {
    if (!player_ || !(duration_ > 0) || !std::isfinite(seconds)) return;
    seekPaused(std::clamp(currentTime_ + seconds, 0.0, duration_));
}

void PlaybackSession::setTrimStartAtPlayhead() {
    if (!player_ || trimEnd_ - kMinimumTrimRange < 0) return;
    setTrimStart(std::clamp(currentTime_, 0.0, trimEnd_ - kMinimumTrimRange));
}

void PlaybackSession::setTrimEndAtPlayhead() {
    if (!player_ || trimStart_ + kMinimumTrimRange > duration_) return;
    setTrimEnd(std::clamp(currentTime_, trimStart_ + kMinimumTrimRange, duration_));
}

void PlaybackSession::goToTrimStart() {
    seekPaused(trimStart_);
}

void PlaybackSession::goToTrimEnd() {
    seekPaused(trimEnd_);
}

void PlaybackSession::seekToTime(double seconds, bool pauseAfter) {
    if (!player_) return;
    player_->seek(seconds);
    if (pauseAfter) {
        QTimer::singleShot(0, this, [this] {
            if (player_) player_->pause();
            setIsPlaying(false);
        });
    }
}

}  // namespace kestro
