#include "app/editor/export_preferences.hpp"

#include "app/editor/settings_values.hpp"
#include "core/model/canvas_aspect.hpp"

#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <cmath>
#include <string>

namespace kestro {
namespace {

constexpr const char* kFormat = "exportFormat";
constexpr const char* kAppStorePreview = "appStorePreview";
constexpr const char* kAppStorePreset = "appStorePreset";
constexpr const char* kQuality = "exportQuality";
constexpr const char* kFrameRate = "exportFrameRate";
constexpr const char* kResolution = "exportResolution";
constexpr const char* kBackground = "exportBackground";
constexpr const char* kCustomColor = "customBackgroundColor";
constexpr const char* kAspect = "canvasAspect";
constexpr const char* kPadding = "canvasPadding";
constexpr const char* kShadow = "canvasShadow";
constexpr const char* kPattern = "backgroundPattern";
constexpr const char* kGradientStart = "gradientStart";
constexpr const char* kGradientEnd = "gradientEnd";
constexpr const char* kGradientAngle = "gradientAngle";
constexpr const char* kImage = "backgroundImage";

// A choice stored by its raw name; anything else is the default.
template <typename T, typename Parse>
T readRaw(const QSettings& settings, const char* key, T fallback, Parse parse) {
    const std::string raw = settings.value(key).toString().toStdString();
    return parse(raw).value_or(fallback);
}

template <typename T>
QString raw(T value) {
    const std::string_view text = rawValue(value);
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QColor fromFill(const FillColour& c) {
    return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), float(c.alpha));
}

FillColour fillOf(const QColor& color) {
    const QColor rgb = color.toRgb();
    return FillColour{rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

std::optional<BackgroundFill> readPattern(const QSettings& settings) {
    const QString kind = settings.value(kPattern).toString();
    if (kind == QLatin1String("gradient")) {
        const auto from = readSettingsColour(settings, kGradientStart);
        const auto to = readSettingsColour(settings, kGradientEnd);
        const auto angle = readSettingsNumber(settings, kGradientAngle);
        if (!from || !to) return std::nullopt;
        return BackgroundFill::gradient(fillOf(*from), fillOf(*to),
                                        angle ? std::fmod(*angle, 360.0) : 180.0);
    }
    if (kind == QLatin1String("image")) {
        const QString path = settings.value(kImage).toString();
        // A picture deleted or moved since it was chosen: the colour takes over again.
        if (path.isEmpty() || !QFileInfo(path).isFile()) return std::nullopt;
        return BackgroundFill::image(path.toStdString());
    }
    return std::nullopt;
}

}  // namespace

BackgroundFill buildExportBackground(ExportBackground background, const QColor& custom) {
    switch (background) {
        case ExportBackground::transparent:
            return BackgroundFill::transparent();
        case ExportBackground::white:
            return BackgroundFill::white();
        case ExportBackground::black:
            return BackgroundFill::black();
        case ExportBackground::custom: {
            // Any colour model the picker produced (HSV, CMYK, extended range) comes out as
            // plain RGB components; an invalid colour keeps its stored (zero) components.
            const QColor rgb = custom.isValid() ? custom.toRgb() : custom;
            float r = 0, g = 0, b = 0, a = 0;
            rgb.getRgbF(&r, &g, &b, &a);
            return BackgroundFill::color(r, g, b, a);
        }
    }
    return BackgroundFill::black();
}

ExportPreferences readExportPreferences(const QSettings& settings) {
    ExportPreferences p;
    p.format = readRaw(settings, kFormat, p.format,
                       [](const std::string& s) { return exportFormatFromRaw(s); });
    p.appStorePreview = readSettingsBool(settings, kAppStorePreview, p.appStorePreview);
    p.appStorePreset = readRaw(settings, kAppStorePreset, p.appStorePreset,
                               [](const std::string& s) { return appStorePresetFromRaw(s); });
    p.quality = readRaw(settings, kQuality, p.quality,
                        [](const std::string& s) { return exportQualityFromRaw(s); });
    // Only a rate the editor offers; anything else is the recording's own.
    if (const auto fps = readSettingsNumber(settings, kFrameRate);
        fps && std::find(kOfferedFrameRates.begin(), kOfferedFrameRates.end(), *fps) !=
                   kOfferedFrameRates.end()) {
        p.frameRate = *fps;
    }
    p.resolution = readRaw(settings, kResolution, p.resolution,
                           [](const std::string& s) { return exportResolutionFromRaw(s); });
    p.background = readRaw(settings, kBackground, p.background,
                           [](const std::string& s) { return exportBackgroundFromRaw(s); });
    p.customColor = readSettingsColour(settings, kCustomColor).value_or(p.customColor);
    p.canvas.aspect = readRaw(settings, kAspect, p.canvas.aspect,
                              [](const std::string& s) { return canvasAspectFromRaw(s); });
    if (const auto padding = readSettingsNumber(settings, kPadding);
        padding && *padding >= 0 && *padding <= kMaximumPaddingPercent) {
        p.canvas.paddingPercent = *padding;
    }
    p.canvas.shadow = readSettingsBool(settings, kShadow, p.canvas.shadow);
    p.canvas.pattern = readPattern(settings);
    return p;
}

void writeExportPreferences(QSettings& settings, const ExportPreferences& p) {
    settings.setValue(kFormat, raw(p.format));
    settings.setValue(kAppStorePreview, p.appStorePreview);
    settings.setValue(kAppStorePreset, raw(p.appStorePreset));
    settings.setValue(kQuality, raw(p.quality));
    // "source" reads back as no number, which is the recording's own rate.
    settings.setValue(kFrameRate,
                      p.frameRate ? QString::number(*p.frameRate) : QStringLiteral("source"));
    settings.setValue(kResolution, raw(p.resolution));
    settings.setValue(kBackground, raw(p.background));
    settings.setValue(kCustomColor, settingsColourText(p.customColor));
    settings.setValue(kAspect, raw(p.canvas.aspect));
    settings.setValue(kPadding, p.canvas.paddingPercent ? QString::number(*p.canvas.paddingPercent)
                                                        : QStringLiteral("default"));
    settings.setValue(kShadow, p.canvas.shadow);
    const std::optional<BackgroundFill>& pattern = p.canvas.pattern;
    const LinearGradient* gradient = pattern ? pattern->asGradient() : nullptr;
    const BackgroundPicture* picture = pattern ? pattern->asPicture() : nullptr;
    if (gradient) {
        settings.setValue(kPattern, QStringLiteral("gradient"));
        settings.setValue(kGradientStart, settingsColourText(fromFill(gradient->from)));
        settings.setValue(kGradientEnd, settingsColourText(fromFill(gradient->to)));
        settings.setValue(kGradientAngle, QString::number(gradient->angle));
    } else if (picture) {
        settings.setValue(kPattern, QStringLiteral("image"));
        settings.setValue(kImage, QString::fromStdString(picture->path));
    } else {
        settings.setValue(kPattern, QStringLiteral("none"));
    }
}

}  // namespace kestro
