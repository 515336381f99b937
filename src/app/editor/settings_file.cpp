#include "app/editor/settings_file.hpp"

namespace kestro {
namespace {

QString& chosenFile() {
    static QString file = qEnvironmentVariable("KESTRO_SETTINGS");
    return file;
}

}  // namespace

QSettings openSettings() {
    const QString& file = chosenFile();
    if (!file.isEmpty()) return QSettings(file, QSettings::IniFormat);
    return QSettings(QStringLiteral("Kestro"), QStringLiteral("Kestro"));
}

void useSettingsFile(const QString& path) {
    chosenFile() = path;
}

}  // namespace kestro
