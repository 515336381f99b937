#pragma once
// Where Kestro keeps its preferences. Every part of the app opens them through openSettings(), so
// that all of them can be pointed at one file: the tests' scratch file, or KESTRO_SETTINGS.
// Qt's own redirection (QSettings::setPath) does not reach the native store macOS uses, so on a
// Mac only this keeps a test run away from the user's real preferences.

#include <QSettings>
#include <QString>

namespace kestro {

// The preferences: the system's own store, or the INI file chosen with useSettingsFile (or named
// by the KESTRO_SETTINGS environment variable when the program starts).
QSettings openSettings();

// From now on openSettings() reads and writes the INI file `path`; an empty path goes back to the
// system's store. Call it before anything reads a preference. Not thread-safe: the window's
// thread alone opens preferences.
void useSettingsFile(const QString& path);

}  // namespace kestro
