#pragma once
// The export and canvas choices of one editing session, kept with the preferences: every change
// is saved at once, and the next start reads them back (openSettings()). What the export will
// paint behind the device (background, shadow) is derived here from the choices alone; the
// canvas's size also needs the frame and the recording, so EditorState derives it.
//
// Threads: the interface thread owns every field and every call. Checking a background picture
// runs on the pool (BackgroundTasks); only its result is applied here.

#include "app/editor/background_task.hpp"
#include "app/editor/canvas_choices.hpp"
#include "app/editor/editor_dialogs.hpp"
#include "app/editor/export_preferences.hpp"
#include "core/export/background_fill.hpp"

#include <QColor>
#include <QObject>

#include <cstdint>
#include <optional>

namespace kestro {

class ExportChoicesStore : public QObject {
    Q_OBJECT
public:
    explicit ExportChoicesStore(QObject* parent = nullptr);
    ~ExportChoicesStore() override;

    // Injected through EditorState. Not owned.
    void setAlertPresenter(AlertPresenter* presenter) { alerts_ = presenter; }
    void setFileDialogs(FileDialogs* dialogs) { dialogs_ = dialogs; }

    const ExportPreferences& preferences() const { return export_; }
    ExportFormat outputFormat() const { return export_.format; }
    void setOutputFormat(ExportFormat format);
    // An App Store preview replaces the chosen format: the store's canvas, no frame, the whole
    // recording fitted over the background colour. The preset is kept while it is off.
    bool appStorePreview() const { return export_.appStorePreview; }
    void setAppStorePreview(bool on);
    AppStorePreset appStorePreset() const { return export_.appStorePreset; }
    void setAppStorePreset(AppStorePreset preset);
    // The container the export writes: an App Store preview is an MP4.
    ExportFormat exportFileFormat() const;
    ExportQuality exportQuality() const { return export_.quality; }
    void setExportQuality(ExportQuality quality);
    // Frames per second of the output; none: the recording's own rate.
    std::optional<double> exportFrameRate() const { return export_.frameRate; }
    void setExportFrameRate(std::optional<double> fps);
    ExportResolution selectedExportResolution() const { return export_.resolution; }
    void setSelectedExportResolution(ExportResolution resolution);
    ExportBackground exportBackground() const { return export_.background; }
    // Choosing a colour puts it in place of a gradient or picture.
    void setExportBackground(ExportBackground background);
    QColor customBackgroundColor() const { return export_.customColor; }
    void setCustomBackgroundColor(const QColor& color);
    const CanvasChoices& canvasChoices() const { return export_.canvas; }
    void setCanvasChoices(const CanvasChoices& choices);
    // Asks for a PNG or JPEG and, once it has been decoded off the interface thread, makes it
    // the background. A file that cannot be read shows one alert and changes nothing.
    void chooseBackgroundImage();
    // Whether the file the export writes can be see-through (not an MP4).
    bool formatKeepsTransparency() const;
    // What the export paints behind the device: the gradient or picture when one is chosen,
    // else the colour; an App Store preview always takes the colour. Transparent becomes black
    // where the file cannot keep it.
    BackgroundFill canvasBackground() const;
    // Whether the device casts its shadow on the canvas (never in an App Store preview).
    bool canvasShadow() const;

signals:
    void outputFormatChanged(ExportFormat format);
    void appStorePreviewChanged(bool on);
    void appStorePresetChanged(AppStorePreset preset);
    void exportQualityChanged(ExportQuality quality);
    void exportFrameRateChanged();
    void selectedExportResolutionChanged(ExportResolution resolution);
    void exportBackgroundChanged(ExportBackground background);
    void customBackgroundColorChanged(const QColor& color);
    void canvasChoicesChanged();
    // After any change the canvas's shape follows (the format, the App Store preview or its
    // preset, the canvas choices), once its own signal has been delivered.
    void canvasShapeChanged();

private:
    void save() const;

    AlertPresenter* alerts_ = nullptr;
    FileDialogs* dialogs_ = nullptr;
    ExportPreferences export_;
    std::uint64_t backgroundImageGeneration_ = 0;  // the picture check whose result still counts
    // Detached first thing in the destructor: no check result arrives for a store that is going.
    BackgroundTasks tasks_{this};
};

}  // namespace kestro
