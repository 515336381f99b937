#pragma once
// One editing session. EditorState owns its parts and keeps them in step; each part holds one
// kind of state and reports its own changes, and the window's widgets connect to the part they
// show:
//   playback()       the movie, its player, the trim range and the playhead (PlaybackSession)
//   frame()          the device frame, its opening and the recording's placement (FrameSelection)
//   exportChoices()  the export and canvas choices, kept with the preferences (ExportChoicesStore)
// Held here: the appearance preference, the tracks over the recording (zoom, speed, captions,
// touches) with their undo history, and what follows from several parts at once (the canvas
// and the stage's shape). A new movie resets the tracks and may choose the frame; the canvas
// follows the frame, the recording and the choices.
//
// Threads: the interface thread owns every field and every call, here and in the parts. Work
// that reads files runs on the pool (see each part's header) and only its result is applied on
// the interface thread.

#include "app/editor/camera_editor.hpp"
#include "app/editor/edit_history.hpp"
#include "app/editor/editor_dialogs.hpp"
#include "app/editor/export_choices_store.hpp"
#include "app/editor/frame_selection.hpp"
#include "app/editor/playback_session.hpp"
#include "app/editor/speed_track_state.hpp"
#include "app/editor/story_track.hpp"
#include "app/editor/video_source.hpp"
#include "core/export/canvas_layout.hpp"
#include "core/model/touch_track.hpp"

#include <QObject>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

namespace kestro {

class EditorState : public QObject {
    Q_OBJECT
public:
    // A phone screen in portrait, 9 : 19.5, used whenever no better ratio is known.
    static constexpr double kDefaultStageAspectRatio = 9.0 / 19.5;
    static constexpr const char* kDarkModeKey = "isDarkMode";

    // Reads the preferences (openSettings()): the appearance and every export and canvas
    // choice. Without a backend the application's default engine is used.
    explicit EditorState(std::unique_ptr<MediaBackend> backend = nullptr,
                         QObject* parent = nullptr);
    ~EditorState() override;

    // Injected by the window (real dialogs) or by tests (recorders), and handed to the parts.
    // Not owned.
    void setAlertPresenter(AlertPresenter* presenter);
    void setFileDialogs(FileDialogs* dialogs);
    AlertPresenter* alertPresenter() const { return alerts_; }

    // --- The parts ------------------------------------------------------------------------------
    PlaybackSession& playback() { return *playback_; }
    const PlaybackSession& playback() const { return *playback_; }
    FrameSelection& frame() { return *frame_; }
    const FrameSelection& frame() const { return *frame_; }
    ExportChoicesStore& exportChoices() { return *export_; }
    const ExportChoicesStore& exportChoices() const { return *export_; }

    // --- Preferences ------------------------------------------------------------------------
    bool isDarkMode() const { return isDarkMode_; }
    // Switches the appearance and remembers it for the next start.
    void setDarkMode(bool dark);
    // Switches the appearance for this run only (a command-line choice); the stored preference
    // is left as the user last set it in the window.
    void setDarkModeForThisRun(bool dark);

    // --- The canvas -----------------------------------------------------------------------------
    // The shape of the preview's stage: the export's canvas once there is a frame or a
    // recording to put on it, else the frame's or the recording's own shape.
    double stageAspectRatio() const { return stageAspectRatio_; }
    // The canvas the export writes for the current frame, recording, resolution and canvas
    // choices, or the App Store preview's canvas (the export's own rule); none when the padding
    // leaves no room.
    std::optional<CanvasLayout> canvasLayout() const;

    // --- Tracks over the recording and their undo history ----------------------------------
    // Each movie starts them afresh.
    EditHistory& history() const { return *history_; }
    SpeedTrackState& speedTrack() const { return *speedTrack_; }
    // The output's clock against the recording's: the trim and the speed changes between them
    // (captions run on the output's clock, the playhead on the recording's).
    double outputTimeAt(double recordingSeconds) const;
    double recordingTimeAt(double outputSeconds) const;
    // The captions and title cards; their output length follows the trim range.
    StoryTrack& story() { return story_; }
    const StoryTrack& story() const { return story_; }
    // The movie's zoom segments, edited through the history.
    CameraEditor& camera() { return camera_; }
    const CameraEditor& camera() const { return camera_; }
    // The touches drawn over the recording (its touch file when a movie is loaded, plus taps
    // added by hand).
    const TouchTrack& touchTrack() const { return touchTrack_; }
    void setTouchTrack(TouchTrack track);
    // How the touches are drawn, in the preview and the export alike. It is a look, not part of
    // one recording: a new movie keeps it, a project brings its own.
    const TapStyle& tapStyle() const { return tapStyle_; }
    void setTapStyle(const TapStyle& style);

    // --- Window lifecycle -------------------------------------------------------------------
    // The window content was shown. The recording workflow hooks its folder and device checks
    // onto appeared().
    void onAppear();
    // The window content went away, or the application is about to quit: playback pauses and
    // the player's observers are removed; the movie stays loaded.
    void onDisappear();
    void onWillTerminate();

signals:
    void isDarkModeChanged(bool dark);
    void stageAspectRatioChanged(double ratio);
    void appeared();
    void touchTrackChanged();
    void tapStyleChanged();

private:
    // The stage's shape again, after anything it follows changed.
    void updateStageAspectRatio();
    void setStageAspectRatio(double ratio);
    // The recording's upright size; empty without one.
    QSize recordingSize() const;
    // A movie replaces the current one, is loaded, or goes: the tracks start afresh.
    void beginNewMovie();
    void finishMovieLoad(const TouchTrack& touches, const QString& touchProblem);
    void finishMovieClear();
    void updateOutputLength();

    AlertPresenter* alerts_ = nullptr;
    bool isDarkMode_ = false;
    double stageAspectRatio_ = kDefaultStageAspectRatio;
    // The parts, children of this object. The session is closed first in the destructor.
    PlaybackSession* playback_;
    ExportChoicesStore* export_ = new ExportChoicesStore(this);
    FrameSelection* frame_ = new FrameSelection([this] { return recordingSize(); }, this);
    EditHistory* history_ = new EditHistory(this);
    SpeedTrackState* speedTrack_ = new SpeedTrackState(history_->stack(), this);
    StoryTrack story_{*history_};
    CameraEditor camera_{history_->stack()};
    TouchTrack touchTrack_;
    TapStyle tapStyle_;
};

}  // namespace kestro
