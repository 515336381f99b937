#pragma once
// The device frame of one editing session and where the recording sits in it: the chosen preset
// or the user's own PNG, the frame image as shown (turned to the frame orientation), its screen
// opening, and the recording's scale and shift in that opening.
//
// Threads: the interface thread owns every field and every call. Decoding, trimming and turning
// a frame image run on the pool (BackgroundTasks); only the result is applied here, and only
// while it is still the latest choice.

#include "app/editor/background_task.hpp"
#include "app/editor/editor_dialogs.hpp"
#include "core/model/frame_orientation.hpp"
#include "core/model/image.hpp"
#include "core/model/screen_rect.hpp"

#include <QObject>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace kestro {

class FrameSelection : public QObject {
    Q_OBJECT
public:
    // `recordingSize` gives the current recording's upright size (empty without one): the
    // automatic orientation and the frame chosen for a recording follow it.
    explicit FrameSelection(std::function<QSize()> recordingSize, QObject* parent = nullptr);
    ~FrameSelection() override;

    // Injected through EditorState. Not owned.
    void setAlertPresenter(AlertPresenter* presenter) { alerts_ = presenter; }

    QString framePreset() const { return framePreset_; }
    // Selecting a different key applies it: the preset's default opening at once, then the
    // frame is loaded and its opening detected off the interface thread, and when that lands
    // the image, the opening and the placement reset follow (frameLoading() is true until
    // then; a later choice wins over a load still running). The empty key is "no frame": the
    // frame goes at once (a load still running is dropped), the recording fills the device box
    // and the placement resets. Selecting the current key again, or one that names no preset,
    // changes nothing.
    void setFramePreset(const QString& key);
    bool frameLoading() const { return frameLoading_; }
    // Uses a PNG of the user's own as the frame: off the interface thread it is decoded, its
    // transparent border trimmed and its screen opening detected (the default opening when it
    // has none); then it becomes the frame. A file that is missing or is not a readable PNG
    // shows one alert and changes nothing. Returns false when the file is missing at once.
    bool useCustomFrame(const QString& pngPath);
    // The PNG in use as a custom frame (its absolute path, which is also the frame key); empty
    // when the frame is a preset or none.
    QString customFramePath() const { return customFramePath_; }
    // The trimmed frame image as shown and exported (turned to the frame orientation), or null
    // when no frame is loaded.
    const std::shared_ptr<const Image>& frameImage() const { return frameImage_; }
    // Which way round the frame is shown: automatic (the default) follows the recording's
    // upright shape. A change turns the frame and detects its opening again.
    FrameOrientation frameOrientation() const { return frameOrientation_; }
    void setFrameOrientation(FrameOrientation orientation);
    ScreenRect screenRect() const { return screenRect_; }
    double scale() const { return scale_; }
    double offsetX() const { return offsetX_; }
    double offsetY() const { return offsetY_; }
    // The recording's size (percent; 100: as the fit gives it, at least 10) and its shift
    // (percent of the opening, each kept within -100..100), as the export applies them.
    void setPlacement(double scale, double offsetX, double offsetY);

    // A new recording was loaded. One of exactly a device's screen size gets that device's
    // frame (unless the frame is the user's own PNG); then, with the automatic orientation, a
    // landscape recording after a portrait one turns the frame.
    void followRecording();

signals:
    void framePresetChanged(const QString& key);
    void frameImageChanged();
    void frameOrientationChanged();
    void screenRectChanged(const ScreenRect& rect);
    void placementChanged();  // scale, offsetX or offsetY
    // The placement went back to 100 % and no shift for a new frame or opening (whether or not
    // it had moved): the frame's shape is settled.
    void placementReset();

private:
    void applyFramePreset(const QString& key);
    void resetPlacement();
    // `turned`: the image already turned for the orientation shown now, when it needs a turn
    // and one was made off the interface thread; otherwise it is turned here.
    void setFrameImage(std::shared_ptr<const Image> image,
                       std::shared_ptr<const Image> turned = nullptr);
    // The way round the frame is shown for the current choice and recording (never automatic).
    FrameOrientation shownOrientation() const;
    // The frame image turned as the orientation and recording ask, and its opening (`fallback`
    // when it has none) detected on what is shown.
    void showOrientedFrame(const ScreenRect& fallback);
    void setScreenRect(const ScreenRect& rect);
    void alert(const QString& title, const QString& message);

    std::function<QSize()> recordingSize_;
    AlertPresenter* alerts_ = nullptr;
    QString framePreset_;
    QString customFramePath_;
    std::shared_ptr<const Image> frameImage_;
    std::shared_ptr<const Image> uprightFrame_;  // as loaded, before any turn
    FrameOrientation frameOrientation_ = FrameOrientation::automatic;
    ScreenRect screenRect_{0, 0, 100, 100};
    double scale_ = 100;
    double offsetX_ = 0;
    double offsetY_ = 0;
    bool frameLoading_ = false;
    std::uint64_t frameGeneration_ = 0;  // the frame load whose result still counts
    // Detached first thing in the destructor: no load result arrives for an object that is going.
    BackgroundTasks tasks_{this};
};

}  // namespace kestro
