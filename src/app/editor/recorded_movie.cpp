#include "app/editor/recorded_movie.hpp"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace kestro {

std::optional<QString> newestMovieIn(const QString& folder, const QDateTime& since) {
    const QDir dir(folder);
    if (!dir.exists()) return std::nullopt;
    QFileInfoList movies;
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        if (entry.suffix() == QLatin1String("mp4") &&
            (!since.isValid() || entry.lastModified() >= since))
            movies.append(entry);
    if (movies.isEmpty()) return std::nullopt;
    // Many Linux file systems do not report a creation time; the last write is the nearest
    // stand-in there, and for a freshly recorded movie it is the same moment.
    const auto created = [](const QFileInfo& info) {
        const QDateTime birth = info.birthTime();
        return birth.isValid() ? birth : info.lastModified();
    };
    const auto newest = std::max_element(
        movies.cbegin(), movies.cend(),
        [&](const QFileInfo& a, const QFileInfo& b) { return created(a) < created(b); });
    return newest->absoluteFilePath();
}

std::optional<QString> movieMadeSince(const QString& path, const QDateTime& since) {
    const QFileInfo written(path);
    if (written.isFile() && written.size() > 0 &&
        (!since.isValid() || written.lastModified() >= since))
        return path;
    if (!since.isValid()) return std::nullopt;
    return newestMovieIn(written.absolutePath(), since);
}

QString noMovieMessage(const QString& path) {
    const QString name = path.isEmpty() ? QStringLiteral("the movie") : QFileInfo(path).fileName();
    return QStringLiteral(
               "The recording stopped without saving a movie: no file \"%1\" was "
               "written. Check that the device is still connected and unlocked and "
               "that the folder can be written, then record again.")
        .arg(name);
}

}  // namespace kestro
