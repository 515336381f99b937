#pragma once
// Which movie a recording made. A recorder may finish its movie under another name, so the
// folder is searched too, but only for movies written since the recording started: an older
// movie in the same folder is never taken for the new one.

#include <QDateTime>
#include <QString>

#include <optional>

namespace kestro {

// The newest "mp4" (exact, lower case) in `folder`, by creation date; files whose creation date
// the file system does not record are ordered by their last modification instead. With `since`,
// only movies modified at or after it count. None when the folder cannot be listed or holds none.
std::optional<QString> newestMovieIn(const QString& folder, const QDateTime& since = {});

// `path` when it holds a movie written at or after `since`, else the newest movie beside it
// written since then; none when `since` is invalid and `path` was not written.
std::optional<QString> movieMadeSince(const QString& path, const QDateTime& since);

// What the user is told when a recording stopped without leaving a movie at `path`.
QString noMovieMessage(const QString& path);

}  // namespace kestro
