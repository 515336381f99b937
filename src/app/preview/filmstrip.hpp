#pragma once
// The thumbnails the trim bar shows, so the user sees where to cut: pictures taken at even
// steps through the movie, decoded off the interface thread and kept, so a repaint, a trim or
// a return to an earlier size never decodes again.
//
// Threads: request() and everything else run on the interface thread; the decoder runs on the
// pool with copies of its inputs and hands the pictures back through ready(). A request that a
// newer one overtook is still cached when it lands, but does not replace what is shown.

#include "app/editor/background_task.hpp"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <deque>
#include <functional>
#include <vector>

namespace kestro {

class Filmstrip : public QObject {
    Q_OBJECT
public:
    // Pictures of `path` at `times` (seconds), each scaled to `size`; a null image where one
    // cannot be had. Runs on a pool thread.
    using Decoder = std::function<std::vector<QImage>(
        const QString& path, const std::vector<double>& times, QSize size)>;

    // Without a decoder, the application's FFmpeg one.
    explicit Filmstrip(Decoder decoder = {}, QObject* parent = nullptr);

    // Asks for `count` pictures of `size` spread over `duration` seconds of `path`: shown at once
    // when cached, else decoded on the pool. An empty path or a zero count clears the strip.
    void request(const QString& path, double duration, int count, QSize size);
    // What the strip shows now (empty until the pictures for the latest request land).
    const std::vector<QImage>& thumbnails() const { return shown_; }
    // Whether the pictures for the latest request are still being decoded.
    bool pending() const;
    // The time each of `count` pictures is taken at: the middle of its share of the movie.
    static std::vector<double> timesFor(double duration, int count);
    static constexpr int kCacheEntries = 6;

signals:
    void ready();

private:
    struct Key {
        QString path;
        double duration = 0;
        int count = 0;
        QSize size;
        bool operator==(const Key&) const = default;
    };
    struct Entry {
        Key key;
        std::vector<QImage> pictures;
    };
    void remember(Key key, std::vector<QImage> pictures);

    Decoder decoder_;
    Key wanted_;
    std::vector<QImage> shown_;
    std::deque<Entry> cache_;  // most recent first
    std::vector<Key> decoding_;
    // Declared last, so it is destroyed first: no picture lands on a strip that is going.
    BackgroundTasks tasks_{this};
};

// The FFmpeg decoder: one reader, an exact seek per picture, scaled straight to `size`.
std::vector<QImage> decodeThumbnails(const QString& path, const std::vector<double>& times,
                                     QSize size);

}  // namespace kestro
