#pragma once
// The state of one editing session: everything the window shows is drawn from here, and every
// workflow (import and playback, recording, export) reads and writes it.
//
// Threads: the interface thread owns every field and every call. Player events arrive from the
// player's thread and are re-delivered here as queued signals (PlayerHandle), so handlers below
// always run on the interface thread. Work that reads files (probing and opening a movie,
// decoding a frame image) runs on the pool through BackgroundTasks and only its result is
// applied here; the media backend is the one object those jobs share, and they use it one at a
// time.

#include "app/editor/background_task.hpp"
#include "app/editor/camera_editor.hpp"
#include "app/editor/canvas_choices.hpp"
#include "app/editor/edit_history.hpp"
#include "app/editor/editor_dialogs.hpp"
#include "app/editor/export_choices_store.hpp"
#include "app/editor/frame_selection.hpp"
#include "app/editor/player_handle.hpp"
#include "app/editor/speed_track_state.hpp"
#include "app/editor/story_track.hpp"
#include "app/editor/video_source.hpp"
#include "core/export/background_fill.hpp"
#include "core/export/canvas_layout.hpp"
#include "core/model/frame_orientation.hpp"
#include "core/model/image.hpp"
#include "core/model/screen_rect.hpp"
#include "core/model/touch_track.hpp"

#include <QColor>
#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace kestro {

class EditorState : public QObject {
    Q_OBJECT
public:
    // A phone screen in portrait, 9 : 19.5, used whenever no better ratio is known.
    static constexpr double kDefaultStageAspectRatio = 9.0 / 19.5;
    static constexpr const char* kDarkModeKey = "isDarkMode";
    // The shortest trim range, the same the timeline's handles keep.
    static constexpr double kMinimumTrimRange = 0.1;
    // The frame step when the movie does not state its frame rate.
    static constexpr double kFallbackFrameRate = 30;

    // Reads the preferences (openSettings()): the appearance, the recordings folder
    // and every export and canvas choice. Without a backend the application's default
    // engine is used.
    explicit EditorState(std::unique_ptr<MediaBackend> backend = nullptr,
                         QObject* parent = nullptr);
    ~EditorState() override;

    // Injected by the window (real dialogs) or by tests (recorders). Not owned.
    void setAlertPresenter(AlertPresenter* presenter);
    void setFileDialogs(FileDialogs* dialogs);
    AlertPresenter* alertPresenter() const { return alerts_; }

    // --- Preferences ------------------------------------------------------------------------
    bool isDarkMode() const { return isDarkMode_; }
    // Switches the appearance and remembers it for the next start.
    void setDarkMode(bool dark);
    // Switches the appearance for this run only (a command-line choice); the stored preference
    // is left as the user last set it in the window.
    void setDarkModeForThisRun(bool dark);

    // --- Movie and playback -------------------------------------------------------------------
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
    double frameDuration() const { return 1.0 / (frameRate_ > 0 ? frameRate_ : kFallbackFrameRate); }

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

    // --- Tracks over the recording and their undo history ----------------------------------
    EditHistory& history() const { return *history_; }
    SpeedTrackState& speedTrack() const { return *speedTrack_; }
    // The output's clock against the recording's: the trim and the speed changes between them
    // (captions run on the output's clock, the playhead on the recording's).
    double outputTimeAt(double recordingSeconds) const;
    double recordingTimeAt(double outputSeconds) const;

    // --- Frame and placement ------------------------------------------------------------------
    FrameSelection& frame() { return *frame_; }
    const FrameSelection& frame() const { return *frame_; }
    // The shape of the preview's stage: the export's canvas once there is a frame or a
    // recording to put on it, else the frame's or the recording's own shape.
    double stageAspectRatio() const { return stageAspectRatio_; }

    // --- Export and canvas choices (each change is saved with the preferences) ---------------
    ExportChoicesStore& exportChoices() { return *export_; }
    const ExportChoicesStore& exportChoices() const { return *export_; }
    // The canvas the export writes for the current frame, recording, resolution and canvas
    // choices, or the App Store preview's canvas (the export's own rule); none when the padding
    // leaves no room.
    std::optional<CanvasLayout> canvasLayout() const;

    // --- Edits that undo and redo ------------------------------------------------------------
    // The captions and title cards; their output length follows the trim range.
    StoryTrack& story() { return story_; }
    const StoryTrack& story() const { return story_; }

    // --- Operations ---------------------------------------------------------------------------
    // The window content was shown. The recording workflow hooks its folder and device checks
    // onto appeared().
    void onAppear();
    // The window content went away, or the application is about to quit: playback pauses and
    // the player's observers are removed; the movie stays loaded.
    void onDisappear();
    void onWillTerminate();

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

    // The movie's zoom segments, edited through the history.
    CameraEditor& camera() { return camera_; }
    const CameraEditor& camera() const { return camera_; }
    void clearVideo();

    // --- Touches --------------------------------------------------------------------------------
    // The touches drawn over the recording (its touch file when a movie is loaded, plus taps
    // added by hand), and the undo history of such edits (cleared with each new movie).
    const TouchTrack& touchTrack() const { return touchTrack_; }
    void setTouchTrack(TouchTrack track);
    void togglePlayPause();
    void seekToTime(double seconds, bool pauseAfter);

signals:
    void isDarkModeChanged(bool dark);
    void videoPathChanged();
    void playerChanged(PlayerHandle* player);
    void durationChanged(double seconds);
    void trimStartChanged(double seconds);
    void trimEndChanged(double seconds);
    void isPlayingChanged(bool playing);
    void currentTimeChanged(double seconds);
    void stageAspectRatioChanged(double ratio);
    void appeared();
    void touchTrackChanged();

private:
    void handlePlaybackEnd();
    void updateStageAspectRatio();
    void alert(const QString& title, const QString& message);
    void setIsPlaying(bool playing);
    void setDuration(double seconds);
    // The recording's upright size; empty without one.
    QSize recordingSize() const;
    void setStageAspectRatio(double ratio);
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
    ExportChoicesStore* export_ = new ExportChoicesStore(this);
    FrameSelection* frame_ = new FrameSelection([this] { return recordingSize(); }, this);
    AlertPresenter* alerts_ = nullptr;
    FileDialogs* dialogs_ = nullptr;

    bool isDarkMode_ = false;
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
    // Detached first thing in the destructor: no load result arrives for a state that is going.
    BackgroundTasks tasks_{this};
    double stageAspectRatio_ = kDefaultStageAspectRatio;
    // Children of this object; a new recording starts them afresh.
    EditHistory* history_ = new EditHistory(this);
    SpeedTrackState* speedTrack_ = new SpeedTrackState(history_->stack(), this);
    StoryTrack story_{*history_};
    CameraEditor camera_{history_->stack()};
    TouchTrack touchTrack_;
};

}  // namespace kestro
