#include "app/editor/frame_selection.hpp"

#include "core/model/device_screens.hpp"
#include "core/model/frame_catalog.hpp"
#include "core/model/frame_image.hpp"

#include <QFileInfo>
#include <QMetaObject>

#include <algorithm>
#include <cmath>
#include <optional>

namespace kestro {

namespace {

// A frame image decoded and trimmed on a pool thread, and turned there too when the orientation
// asked for at the request turns it (a copy the size of the frame, too slow for the interface
// thread); its opening is measured once it is shown.
struct LoadedFrame {
    std::shared_ptr<const Image> image;   // upright, as loaded
    std::shared_ptr<const Image> turned;  // for `orientation`; null when that does not turn it
    FrameOrientation orientation = FrameOrientation::portrait;
};

LoadedFrame measure(std::optional<Image> image, FrameOrientation orientation) {
    LoadedFrame loaded;
    loaded.orientation = orientation;
    if (!image || image->empty()) return loaded;
    loaded.image = std::make_shared<const Image>(std::move(*image));
    if (turnsFrameImage(*loaded.image, orientation))
        loaded.turned =
            std::make_shared<const Image>(orientedFrameImage(*loaded.image, orientation));
    return loaded;
}

}  // namespace

FrameSelection::FrameSelection(std::function<QSize()> recordingSize, QObject* parent)
    : QObject(parent), recordingSize_(std::move(recordingSize)) {}

FrameSelection::~FrameSelection() {
    tasks_.detach();
}

void FrameSelection::alert(const QString& title, const QString& message) {
    if (alerts_) alerts_->showAlert(title, message);
}

FrameOrientation FrameSelection::shownOrientation() const {
    const QSize size = recordingSize_();
    return resolvedOrientation(frameOrientation_, size.width(), size.height());
}

void FrameSelection::setFrameImage(std::shared_ptr<const Image> image,
                                   std::shared_ptr<const Image> turned) {
    uprightFrame_ = std::move(image);
    std::shared_ptr<const Image> shown = uprightFrame_;
    const FrameOrientation wanted = shownOrientation();
    if (uprightFrame_ && turnsFrameImage(*uprightFrame_, wanted)) {
        shown = turned ? std::move(turned)
                       : std::make_shared<const Image>(orientedFrameImage(*uprightFrame_, wanted));
    }
    if (frameImage_ == shown) return;
    frameImage_ = std::move(shown);
    emit frameImageChanged();
}

void FrameSelection::showOrientedFrame(const ScreenRect& fallback) {
    const std::shared_ptr<const Image> before = frameImage_;
    setFrameImage(uprightFrame_);
    if (frameImage_ == before || !frameImage_) return;
    setScreenRect(detectScreenRect(*frameImage_).value_or(fallback));
    resetPlacement();
}

void FrameSelection::setFrameOrientation(FrameOrientation orientation) {
    if (frameOrientation_ == orientation) return;
    frameOrientation_ = orientation;
    emit frameOrientationChanged();
    showOrientedFrame(kDefaultScreenRect);
}

void FrameSelection::followRecording() {
    if (customFramePath_.isEmpty()) {
        const QSize size = recordingSize_();
        const auto choice = autoFrameFor(size.width(), size.height(), framePresetCatalog());
        // Only a recording made on one of the devices: any other size keeps the user's choice.
        if (choice && choice->preset && choice->match != AutoFrameChoice::Match::nearestShape)
            setFramePreset(QString::fromStdString(choice->preset->key));
    }
    showOrientedFrame(screenRect_);
}

void FrameSelection::setScreenRect(const ScreenRect& rect) {
    if (screenRect_ == rect) return;
    screenRect_ = rect;
    emit screenRectChanged(rect);
}

void FrameSelection::setFramePreset(const QString& key) {
    if (framePreset_ == key && (!key.isEmpty() || (!frameImage_ && !frameLoading_))) return;
    if (!key.isEmpty() && !findFramePreset(key.toStdString())) return;
    customFramePath_.clear();
    framePreset_ = key;
    emit framePresetChanged(key);
    applyFramePreset(key);
}

bool FrameSelection::useCustomFrame(const QString& pngPath) {
    const QFileInfo info(pngPath);
    if (!info.isFile()) {
        alert(QStringLiteral("File Not Found"),
              QStringLiteral("The selected file could not be found."));
        return false;
    }
    const QString key = info.absoluteFilePath();
    const std::uint64_t generation = ++frameGeneration_;
    frameLoading_ = true;
    // Decoded whole and trimmed first: a file that is not a PNG, or a truncated one, is refused
    // before anything about the current frame changes.
    tasks_.run<LoadedFrame>(
        "kestro-frame-load",
        [file = key.toStdString(), orientation = shownOrientation()] {
            return measure(loadTrimmedPng(file), orientation);
        },
        [this, generation, key](LoadedFrame loaded) {
            if (generation != frameGeneration_) return;
            frameLoading_ = false;
            if (!loaded.image) {
                alert(QStringLiteral("Unreadable Frame Image"),
                      QStringLiteral("\"%1\" is not a readable PNG image.")
                          .arg(QFileInfo(key).fileName()));
                return;
            }
            customFramePath_ = key;
            if (framePreset_ != key) {
                framePreset_ = key;
                emit framePresetChanged(key);
            }
            // Turned on the pool for the orientation of the request; one since changed turns here.
            if (loaded.orientation != shownOrientation()) loaded.turned.reset();
            setFrameImage(std::move(loaded.image), std::move(loaded.turned));
            // Measured on the trimmed image as shown, as frame-info reports it.
            setScreenRect(detectScreenRect(*frameImage_).value_or(kDefaultScreenRect));
            resetPlacement();
        });
    return true;
}

void FrameSelection::applyFramePreset(const QString& key) {
    if (key.isEmpty()) {
        // No frame: whatever is shown or still loading goes, so the preview and the export
        // agree that there is none.
        ++frameGeneration_;
        frameLoading_ = false;
        setFrameImage(nullptr);
        setScreenRect(ScreenRect{0, 0, 100, 100});
        resetPlacement();
        return;
    }
    const FramePreset* preset = findFramePreset(key.toStdString());
    if (!preset) return;
    setScreenRect(preset->defaultScreen);
    const std::uint64_t generation = ++frameGeneration_;
    if (!preset->bundleImageName) {
        frameLoading_ = false;
        setFrameImage(nullptr);
        // Queued, so it lands after the new frame and opening are in place.
        QMetaObject::invokeMethod(this, &FrameSelection::resetPlacement, Qt::QueuedConnection);
        return;
    }
    frameLoading_ = true;
    const ScreenRect fallback = preset->defaultScreen;
    tasks_.run<LoadedFrame>(
        "kestro-frame-load",
        [name = *preset->bundleImageName, orientation = shownOrientation()] {
            return measure(loadFrameImage(name), orientation);
        },
        [this, generation, fallback](LoadedFrame loaded) {
            if (generation != frameGeneration_) return;  // a later choice is being loaded
            frameLoading_ = false;
            if (!loaded.image) {
                // The default opening stays; the placement is left as it is.
                setFrameImage(nullptr);
                return;
            }
            // Turned on the pool for the orientation of the request; one since changed turns here.
            if (loaded.orientation != shownOrientation()) loaded.turned.reset();
            setFrameImage(std::move(loaded.image), std::move(loaded.turned));
            setScreenRect(detectScreenRect(*frameImage_).value_or(fallback));
            resetPlacement();
        });
}

void FrameSelection::setPlacement(double scale, double offsetX, double offsetY) {
    if (!std::isfinite(scale) || !std::isfinite(offsetX) || !std::isfinite(offsetY)) return;
    scale = std::max(scale, 10.0);
    offsetX = std::clamp(offsetX, -100.0, 100.0);
    offsetY = std::clamp(offsetY, -100.0, 100.0);
    if (scale == scale_ && offsetX == offsetX_ && offsetY == offsetY_) return;
    scale_ = scale;
    offsetX_ = offsetX;
    offsetY_ = offsetY;
    emit placementChanged();
}

void FrameSelection::resetPlacement() {
    if (scale_ != 100 || offsetX_ != 0 || offsetY_ != 0) {
        scale_ = 100;
        offsetX_ = 0;
        offsetY_ = 0;
        emit placementChanged();
    }
    emit placementReset();
}

}  // namespace kestro
