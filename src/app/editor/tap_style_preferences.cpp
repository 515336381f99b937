#include "app/editor/tap_style_preferences.hpp"

#include "app/editor/settings_values.hpp"

#include <QSettings>

#include <algorithm>

namespace kestro {
namespace {

constexpr const char* kEnabled = "tapsShown";
constexpr const char* kSize = "tapSize";
constexpr const char* kColour = "tapColour";
constexpr const char* kOpacity = "tapOpacity";

}  // namespace

TapStyle readTapStylePreferences(const QSettings& settings) {
    TapStyle style;
    style.enabled = readSettingsBool(settings, kEnabled, style.enabled);
    if (const auto size = readSettingsNumber(settings, kSize);
        size && *size >= kMinTapSizePercent && *size <= kMaxTapSizePercent) {
        style.sizePercent = *size;
    }
    if (const auto colour = readSettingsColour(settings, kColour)) {
        const QColor rgb = colour->toRgb();
        style.colour = Rgba{static_cast<std::uint8_t>(rgb.red()),
                            static_cast<std::uint8_t>(rgb.green()),
                            static_cast<std::uint8_t>(rgb.blue()),
                            static_cast<std::uint8_t>(rgb.alpha())};
    }
    if (const auto opacity = readSettingsNumber(settings, kOpacity);
        opacity && *opacity >= 0 && *opacity <= 1) {
        style.opacity = *opacity;
    }
    return style;
}

void writeTapStylePreferences(QSettings& settings, const TapStyle& style) {
    settings.setValue(kEnabled, style.enabled);
    settings.setValue(kSize, QString::number(std::clamp(style.sizePercent, kMinTapSizePercent,
                                                        kMaxTapSizePercent)));
    settings.setValue(kColour, settingsColourText(QColor(style.colour.r, style.colour.g,
                                                         style.colour.b, style.colour.a)));
    settings.setValue(kOpacity, QString::number(std::clamp(style.opacity, 0.0, 1.0)));
}

}  // namespace kestro
