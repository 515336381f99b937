#pragma once
// The decoded picture of an "image" background, as the preview draws it. Decoding a photo takes
// long enough to freeze the window, and the canvas is rebuilt on every change of frame, movie or
// size, so the picture is decoded once per file, off the interface thread, and kept.
//
// Threads: called on the interface thread; the decoding runs on the pool (BackgroundTasks) and
// ready() is emitted on the interface thread when a picture asked for has landed. A picture for
// a file no longer asked for is dropped.

#include "app/editor/background_task.hpp"
#include "core/model/image.hpp"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

namespace kestro {

class BackgroundImageCache : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~BackgroundImageCache() override { tasks_.detach(); }

    // The picture of `path` when it is decoded and the file has not changed since; otherwise
    // none for now, and the file is decoded (once) and ready() follows. A file that cannot be
    // read gives none, quietly: the export reports it.
    std::shared_ptr<const Image> imageFor(const QString& path);
    bool loading() const { return loading_; }

signals:
    void ready();

private:
    QString path_;          // the file asked for last
    QDateTime modified_;    // its modification time when it was decoded or asked for
    bool decoded_ = false;  // image_ (possibly none) is the file's as of modified_
    bool loading_ = false;
    std::shared_ptr<const Image> image_;
    std::uint64_t generation_ = 0;
    BackgroundTasks tasks_{this};
};

}  // namespace kestro
