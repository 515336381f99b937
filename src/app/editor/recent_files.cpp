#include "app/editor/recent_files.hpp"

#include "app/editor/settings_file.hpp"

#include <QFileInfo>
#include <QSettings>

namespace kestro {

RecentFiles::RecentFiles(QObject* parent) : QObject(parent) {}

QStringList RecentFiles::entries() {
    const QStringList stored = openSettings().value(kKey).toStringList();
    QStringList present;
    for (const QString& path : stored) {
        const QFileInfo info(path);
        if (info.isFile() && !present.contains(path)) present << path;
        if (present.size() == kMaxEntries) break;
    }
    if (present != stored) store(present);
    return present;
}

void RecentFiles::add(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = openSettings().value(kKey).toStringList();
    list.removeAll(absolute);
    list.prepend(absolute);
    while (list.size() > kMaxEntries) list.removeLast();
    store(list);
}

void RecentFiles::clear() {
    store({});
}

void RecentFiles::store(const QStringList& list) {
    openSettings().setValue(kKey, list);
    emit changed();
}

}  // namespace kestro
