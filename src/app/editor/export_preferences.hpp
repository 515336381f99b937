#pragma once
// The export and canvas choices as the preferences keep them between runs. Reading never trusts
// the stored text: a value that is missing, of the wrong kind or out of range gives that choice's
// default, and a background picture whose file is gone gives the colour back.

#include "app/editor/canvas_choices.hpp"
#include "core/model/app_store_preset.hpp"
#include "core/model/export_background.hpp"
#include "core/model/export_format.hpp"
#include "core/model/export_quality.hpp"
#include "core/model/export_resolution.hpp"

#include <QColor>

#include <array>
#include <optional>

class QSettings;

namespace kestro {

// The output frame rates offered besides the recording's own.
inline constexpr std::array<double, 4> kOfferedFrameRates{60, 30, 24, 15};

// The padding the editor offers, in percent of the canvas's shorter side: at half, nothing is
// left for the device.
inline constexpr double kMaximumPaddingPercent = 40;

struct ExportPreferences {
    ExportFormat format = ExportFormat::mp4;
    // An App Store preview instead of `format`; the preset is kept while another format is used.
    bool appStorePreview = false;
    AppStorePreset appStorePreset = AppStorePreset::iphone;
    ExportQuality quality = ExportQuality::standard;
    std::optional<double> frameRate;  // none: the recording's own
    ExportResolution resolution = ExportResolution::hd720p;
    ExportBackground background = ExportBackground::black;
    QColor customColor{0, 0, 0, 255};
    CanvasChoices canvas;

    bool operator==(const ExportPreferences&) const = default;
};

// The background record for a colour choice; `custom` carries the colour's sRGB components and
// its alpha.
BackgroundFill buildExportBackground(ExportBackground background, const QColor& custom);

ExportPreferences readExportPreferences(const QSettings& settings);
void writeExportPreferences(QSettings& settings, const ExportPreferences& preferences);

}  // namespace kestro
