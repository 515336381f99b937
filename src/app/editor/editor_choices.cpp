// The export and canvas choices of EditorState: each change is saved with the preferences, and
// what the export will paint (background, shadow, canvas) is derived here from them, the frame
// and the recording.

#include "app/editor/editor_state.hpp"
#include "app/editor/settings_file.hpp"

#include "core/export/background_image.hpp"
#include "core/export/export_request.hpp"

#include <QFileInfo>
#include <QSettings>

namespace kestro {
void EditorState::saveExportChoices() const {
    QSettings settings = openSettings();
    writeExportPreferences(settings, export_);
}

void EditorState::setOutputFormat(ExportFormat format) {
    if (export_.format == format) return;
    export_.format = format;
    saveExportChoices();
    emit outputFormatChanged(format);
    // A GIF's canvas has its own width.
    updateStageAspectRatio();
}

void EditorState::setAppStorePreview(bool on) {
    if (export_.appStorePreview == on) return;
    export_.appStorePreview = on;
    saveExportChoices();
    emit appStorePreviewChanged(on);
    updateStageAspectRatio();
}

void EditorState::setAppStorePreset(AppStorePreset preset) {
    if (export_.appStorePreset == preset) return;
    export_.appStorePreset = preset;
    saveExportChoices();
    emit appStorePresetChanged(preset);
    updateStageAspectRatio();
}

ExportFormat EditorState::exportFileFormat() const {
    return export_.appStorePreview ? ExportFormat::mp4 : export_.format;
}

void EditorState::setExportQuality(ExportQuality quality) {
    if (export_.quality == quality) return;
    export_.quality = quality;
    saveExportChoices();
    emit exportQualityChanged(quality);
}

void EditorState::setExportFrameRate(std::optional<double> fps) {
    if (export_.frameRate == fps) return;
    export_.frameRate = fps;
    saveExportChoices();
    emit exportFrameRateChanged();
}

void EditorState::setSelectedExportResolution(ExportResolution resolution) {
    if (export_.resolution == resolution) return;
    export_.resolution = resolution;
    saveExportChoices();
    emit selectedExportResolutionChanged(resolution);
}

void EditorState::setCanvasChoices(const CanvasChoices& choices) {
    if (export_.canvas == choices) return;
    export_.canvas = choices;
    saveExportChoices();
    emit canvasChoicesChanged();
    updateStageAspectRatio();
}

void EditorState::chooseBackgroundImage() {
    if (!dialogs_) return;
    const std::optional<QString> chosen = dialogs_->chooseBackgroundImage();
    if (!chosen || chosen->isEmpty()) return;
    const QString path = QFileInfo(*chosen).absoluteFilePath();
    const std::uint64_t generation = ++backgroundImageGeneration_;
    // Decoded once here so a file that is no picture is refused at the choice, not at export.
    tasks_.run<std::optional<std::string>>(
        "kestro-background-check",
        [file = path.toStdString()]() -> std::optional<std::string> {
            auto image = loadBackgroundImage(file);
            if (image) return std::nullopt;
            return image.error();
        },
        [this, generation, path](std::optional<std::string> failure) {
            if (generation != backgroundImageGeneration_) return;
            if (failure) {
                alert(QStringLiteral("Unreadable Background Image"),
                      QString::fromStdString(*failure));
                return;
            }
            CanvasChoices choices = export_.canvas;
            choices.pattern = BackgroundFill::image(path.toStdString());
            setCanvasChoices(choices);
        });
}

BackgroundFill EditorState::canvasBackground() const {
    if (export_.canvas.pattern && !export_.appStorePreview) return *export_.canvas.pattern;
    BackgroundFill fill = buildExportBackground(export_.background, export_.customColor);
    // An MP4 keeps no alpha: what would be see-through is written black, so the preview shows
    // black too.
    if (fill.isTransparent() && !formatKeepsTransparency()) return BackgroundFill::black();
    return fill;
}

bool EditorState::formatKeepsTransparency() const {
    return exportFileFormat() != ExportFormat::mp4;
}

bool EditorState::canvasShadow() const {
    return export_.canvas.shadow && !export_.appStorePreview;
}

std::optional<CanvasLayout> EditorState::canvasLayout() const {
    ExportChoices choices;
    choices.format = export_.format;
    choices.resolution = export_.resolution;
    choices.aspect = export_.canvas.aspect;
    choices.paddingPercent = export_.canvas.paddingPercent;
    if (export_.appStorePreview) choices.appStore = export_.appStorePreset;
    if (player_) {
        const QSize size = player_->videoSize();
        choices.recordingSize = VideoSize{double(size.width()), double(size.height())};
    }
    // The store's preview never shows the frame.
    const Image* frame = export_.appStorePreview ? nullptr : frameImage_.get();
    auto layout = canvasLayoutFor(choices, frame);
    if (!layout) return std::nullopt;
    return *layout;
}

void EditorState::setExportBackground(ExportBackground background) {
    if (export_.background == background && !export_.canvas.pattern) return;
    // Choosing a colour puts it in place of a gradient or picture.
    const bool patternDropped = export_.canvas.pattern.has_value();
    export_.background = background;
    export_.canvas.pattern.reset();
    saveExportChoices();
    emit exportBackgroundChanged(background);
    if (patternDropped) emit canvasChoicesChanged();
}

void EditorState::setCustomBackgroundColor(const QColor& color) {
    if (export_.customColor == color) return;
    export_.customColor = color;
    saveExportChoices();
    emit customBackgroundColorChanged(color);
}

}  // namespace kestro
