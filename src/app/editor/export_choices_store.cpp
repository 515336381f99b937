#include "app/editor/export_choices_store.hpp"

#include "app/editor/settings_file.hpp"
#include "core/export/background_image.hpp"

#include <QFileInfo>
#include <QSettings>

#include <string>

namespace kestro {

ExportChoicesStore::ExportChoicesStore(QObject* parent) : QObject(parent) {
    export_ = readExportPreferences(openSettings());
}

ExportChoicesStore::~ExportChoicesStore() {
    tasks_.detach();
}

void ExportChoicesStore::save() const {
    QSettings settings = openSettings();
    writeExportPreferences(settings, export_);
}

void ExportChoicesStore::setOutputFormat(ExportFormat format) {
    if (export_.format == format) return;
    export_.format = format;
    save();
    emit outputFormatChanged(format);
    // A GIF's canvas has its own width.
    emit canvasShapeChanged();
}

void ExportChoicesStore::setAppStorePreview(bool on) {
    if (export_.appStorePreview == on) return;
    export_.appStorePreview = on;
    save();
    emit appStorePreviewChanged(on);
    emit canvasShapeChanged();
}

void ExportChoicesStore::setAppStorePreset(AppStorePreset preset) {
    if (export_.appStorePreset == preset) return;
    export_.appStorePreset = preset;
    save();
    emit appStorePresetChanged(preset);
    emit canvasShapeChanged();
}

ExportFormat ExportChoicesStore::exportFileFormat() const {
    return export_.appStorePreview ? ExportFormat::mp4 : export_.format;
}

void ExportChoicesStore::setExportQuality(ExportQuality quality) {
    if (export_.quality == quality) return;
    export_.quality = quality;
    save();
    emit exportQualityChanged(quality);
}

void ExportChoicesStore::setExportFrameRate(std::optional<double> fps) {
    if (export_.frameRate == fps) return;
    export_.frameRate = fps;
    save();
    emit exportFrameRateChanged();
}

void ExportChoicesStore::setSelectedExportResolution(ExportResolution resolution) {
    if (export_.resolution == resolution) return;
    export_.resolution = resolution;
    save();
    emit selectedExportResolutionChanged(resolution);
}

void ExportChoicesStore::setCanvasChoices(const CanvasChoices& choices) {
    if (export_.canvas == choices) return;
    export_.canvas = choices;
    save();
    emit canvasChoicesChanged();
    emit canvasShapeChanged();
}

void ExportChoicesStore::chooseBackgroundImage() {
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
                if (alerts_)
                    alerts_->showAlert(QStringLiteral("Unreadable Background Image"),
                                       QString::fromStdString(*failure));
                return;
            }
            CanvasChoices choices = export_.canvas;
            choices.pattern = BackgroundFill::image(path.toStdString());
            setCanvasChoices(choices);
        });
}

BackgroundFill ExportChoicesStore::canvasBackground() const {
    if (export_.canvas.pattern && !export_.appStorePreview) return *export_.canvas.pattern;
    BackgroundFill fill = buildExportBackground(export_.background, export_.customColor);
    // An MP4 keeps no alpha: what would be see-through is written black, so the preview shows
    // black too.
    if (fill.isTransparent() && !formatKeepsTransparency()) return BackgroundFill::black();
    return fill;
}

bool ExportChoicesStore::formatKeepsTransparency() const {
    return exportFileFormat() != ExportFormat::mp4;
}

bool ExportChoicesStore::canvasShadow() const {
    return export_.canvas.shadow && !export_.appStorePreview;
}

void ExportChoicesStore::setExportBackground(ExportBackground background) {
    if (export_.background == background && !export_.canvas.pattern) return;
    const bool patternDropped = export_.canvas.pattern.has_value();
    export_.background = background;
    export_.canvas.pattern.reset();
    save();
    emit exportBackgroundChanged(background);
    if (patternDropped) emit canvasChoicesChanged();
}

void ExportChoicesStore::setCustomBackgroundColor(const QColor& color) {
    if (export_.customColor == color) return;
    export_.customColor = color;
    save();
    emit customBackgroundColorChanged(color);
}

}  // namespace kestro
