#pragma once
// Reading single values back from the preferences without trusting them: the stored text may be
// missing, of another kind, or written by a hand or an older version. Each reader gives nothing
// (or the fallback) rather than a value the caller did not expect.

#include <QColor>
#include <QString>

#include <optional>

class QSettings;

namespace kestro {

// "true" or "false", as Qt writes a stored bool; anything else is `fallback`.
bool readSettingsBool(const QSettings& settings, const char* key, bool fallback);

// A finite number, or nothing.
std::optional<double> readSettingsNumber(const QSettings& settings, const char* key);

// A colour Qt can parse, or nothing. Colours are written as #AARRGGBB (settingsColourText), so
// the alpha survives.
std::optional<QColor> readSettingsColour(const QSettings& settings, const char* key);
QString settingsColourText(const QColor& colour);

}  // namespace kestro
