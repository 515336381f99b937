#pragma once
// The movie of one editing session and its playback: loading it, the player, the trim range,
// the playhead and the keyboard's stepping.
//
// Threads: the interface thread owns every field and every call. Player events arrive from the
// player's thread and are re-delivered here as queued signals (PlayerHandle), so handlers below
// always run on the interface thread. Probing and opening a movie runs on the pool through
// BackgroundTasks and only its result is applied here; the media backend is the one object
// those jobs share, and they use it one at a time.

#include "app/editor/background_task.hpp"
#include "app/editor/editor_dialogs.hpp"
#include "app/editor/player_handle.hpp"
#include "app/editor/video_source.hpp"
#include "core/model/touch_track.hpp"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace kestro {

class PlaybackSession : public QObject {
    Q_OBJECT
public:
    // The shortest trim range, the same the timeline's handles keep.
    static constexpr double kMinimumTrimRange = 0.1;
    // The frame step when the movie does not state its frame rate.
    static constexpr double kFallbackFrameRate = 30;

    // Without a backend the application's default engine is used.
    explicit PlaybackSession(std::unique_ptr<MediaBackend> backend = nullptr,
                             QObject* parent = nullptr);
    ~PlaybackSession() override;

    // Injected through EditorState. Not owned.
    void setAlertPresenter(AlertPresenter* presenter) { alerts_ = presenter; }
    void setFileDialogs(FileDialogs* dialogs) { dialogs_ = dialogs; }

    const std::optional<QString>& videoPath() const { return videoPath_; }
    PlayerHandle* player() const { return player_.get(); }
    // The observer registrations of the current player (a periodic time report and the
    // failure report); exposed so their lifecycle can be checked.
    bool hasTimeObserver() const { return static_cast<bool>(timeObserver_); }
    int playerItemObserverCount() const { return int(itemObservers_.size()); }
    double duration() const { return duration_; }
    double trimStart() const { return trimStart_; }
    void setTrimStart(double seconds);
    double trimEnd() const { return trimEnd_; }
    void setTrimEnd(double seconds);
    bool isPlaying() const { return isPlaying_; }
    double currentTime() const { return currentTime_; }
    void setCurrentTime(double seconds);
    // The length of one frame of the current movie, in seconds.
    double frameDuration() const {
        return 1.0 / (frameRate_ > 0 ? frameRate_ : kFallbackFrameRate);
    }

    // Keyboard editing. Each pauses playback and leaves the playhead where it says; without a
    // movie they do nothing.
    // Moves the playhead by `seconds` (negative: back), kept inside the movie.
    void stepBy(double seconds);
    void stepFrames(int frames) { stepBy(frames * frameDuration()); }
    // Trim start / end at the playhead, kept at least kMinimumTrimRange from the other bound.
    void setTrimStartAtPlayhead();
    void setTrimEndAtPlayhead();
    void goToTrimStart();
    void goToTrimEnd();

    void togglePlayPause();
    void seekToTime(double seconds, bool pauseAfter);

    // Asks for a movie file and loads it (queued on the interface thread).
    void importVideo();
    // Validates and loads `path`; on any failure shows one alert and changes nothing. A file
    // that is missing or unreadable is refused at once (returns false). Otherwise the movie is
    // probed and opened off the interface thread (movieLoading() is true meanwhile) and returns
    // true; when that lands the movie becomes current, or its one alert is shown. A later load,
    // or clearVideo(), wins over one still running. `whenDone`, if given, is called on the
    // interface thread once, with whether this movie became current (false when refused at
    // once or overtaken).
    bool loadVideo(const QString& path, std::function<void(bool loaded)> whenDone = {});
    bool movieLoading() const { return movieLoading_; }
    void clearVideo();

    // The window content went away: playback pauses and the player's observers are removed;
    // the movie stays loaded. At quitting the same, without reporting the pause.
    void onDisappear();
    void onWillTerminate();

signals:
    void videoPathChanged();
    void playerChanged(PlayerHandle* player);
    void durationChanged(double seconds);
    void trimStartChanged(double seconds);
    void trimEndChanged(double seconds);
    void isPlayingChanged(bool playing);
    void currentTimeChanged(double seconds);
    // A loaded movie is about to replace the current one: the old one's observers are gone,
    // nothing of the new one is in place yet.
    void movieChanging();
    // The loaded movie is current and playing. `touches` were read from the touch file beside
    // it; `touchProblem` says why that file cannot be used (empty when it can or there is none).
    void movieLoaded(const TouchTrack& touches, const QString& touchProblem);
    // clearVideo() left no movie.
    void movieCleared();

private:
    void handlePlaybackEnd();
    void alert(const QString& title, const QString& message);
    void setIsPlaying(bool playing);
    void setDuration(double seconds);
    void seekPaused(double seconds);
    void setupTimeObserver();
    void removeTimeObserver();
    void setupPlayerItemObservers();
    void removePlayerItemObservers();
    struct MovieLoad;
    static MovieLoad probeAndOpen(MediaBackend& backend, const std::filesystem::path& file);
    bool applyLoadedMovie(const QString& path, MovieLoad load);

    // Shared with the pool jobs that probe and open movies, which may outlive a load that was
    // overtaken; the mutex keeps them from using the backend at the same time.
    struct SharedBackend {
        std::mutex mutex;
        std::unique_ptr<MediaBackend> backend;
    };
    std::shared_ptr<SharedBackend> backend_;
    AlertPresenter* alerts_ = nullptr;
    FileDialogs* dialogs_ = nullptr;

    std::optional<QString> videoPath_;
    std::unique_ptr<PlayerHandle> player_;
    QMetaObject::Connection timeObserver_;
    QList<QMetaObject::Connection> itemObservers_;
    QMetaObject::Connection endObserver_;
    double duration_ = 0;
    double trimStart_ = 0;
    double trimEnd_ = 0;
    bool isPlaying_ = false;
    double currentTime_ = 0;
    double frameRate_ = 0;
    bool movieLoading_ = false;
    std::uint64_t movieGeneration_ = 0;  // the movie load whose result still counts
    // Detached first thing in the destructor: no load result arrives for a session that is going.
    BackgroundTasks tasks_{this};
};

}  // namespace kestro
