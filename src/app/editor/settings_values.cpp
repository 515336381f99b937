#include "app/editor/settings_values.hpp"

#include <QSettings>

#include <cmath>

namespace kestro {

bool readSettingsBool(const QSettings& settings, const char* key, bool fallback) {
    const QString text = settings.value(key).toString();
    if (text == QLatin1String("true")) return true;
    if (text == QLatin1String("false")) return false;
    return fallback;
}

std::optional<double> readSettingsNumber(const QSettings& settings, const char* key) {
    bool ok = false;
    const double value = settings.value(key).toString().toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<QColor> readSettingsColour(const QSettings& settings, const char* key) {
    const QColor colour(settings.value(key).toString());
    if (!colour.isValid()) return std::nullopt;
    return colour;
}

QString settingsColourText(const QColor& colour) {
    return colour.name(QColor::HexArgb);
}

}  // namespace kestro
