#pragma once
// The editor's player: owns one VideoSource and re-delivers its events on the interface thread
// as queued signals. Destroying the handle destroys the source first, so no event can arrive
// for a handle that is gone (events already queued are dropped by Qt with their receiver).
//
// Threads: opening a movie reads and probes the file, so it may be done on a pool thread
// (openSource); the handle itself is a QObject of the interface thread and is made there
// (adopt). Events the source reports between the two are held and delivered on adoption.

#include "app/editor/video_feed.hpp"
#include "app/editor/video_source.hpp"

#include <memory>

namespace kestro {

class PlayerHandle : public VideoFeed {
    Q_OBJECT
public:
    class EventRelay;
    // A source opened on any thread, not yet owned by a handle. Dropping it closes the movie.
    struct OpenedSource {
        std::shared_ptr<EventRelay> relay;
        std::unique_ptr<VideoSource> source;  // declared last: closed before the relay goes
    };

    // Opens `path` through `backend` on the calling thread, whichever it is. The relay is wired
    // before the source exists, so the first report after opening is not lost.
    static Result<OpenedSource, MediaError> openSource(MediaBackend& backend,
                                                       const std::filesystem::path& path);
    // Interface thread: the handle that owns `opened` from now on.
    static std::unique_ptr<PlayerHandle> adopt(OpenedSource opened);
    ~PlayerHandle() override;

    double duration() const { return source_->duration(); }
    void play() { source_->play(); }
    void pause() { source_->pause(); }
    bool isPlaying() const { return source_->isPlaying(); }
    void seek(double seconds) { source_->seek(seconds); }
    double currentTime() const { return source_->currentTime(); }
    VideoSource& source() { return *source_; }

    QImage currentFrame() const override { return source_->latestFrame(); }
    QSize videoSize() const override { return {source_->width(), source_->height()}; }
    void setTargetSize(QSize size) override;

signals:
    void timeChanged(double seconds);
    void reachedEnd();
    void failed(const QString& description);

private:
    PlayerHandle() = default;

    std::unique_ptr<VideoSource> source_;
    QSize target_;
};

}  // namespace kestro
