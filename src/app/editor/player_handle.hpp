#pragma once
// The editor's player: owns one VideoSource and re-delivers its events on the interface thread
// as queued signals. Destroying the handle destroys the source first, so no event can arrive
// for a handle that is gone (events already queued are dropped by Qt with their receiver).

#include "app/editor/video_feed.hpp"
#include "app/editor/video_source.hpp"

#include <memory>

namespace kestro {

class PlayerHandle : public VideoFeed {
    Q_OBJECT
public:
    // Opens `path` through `backend`; the handle's signals are wired before the source exists,
    // so the first report after opening is not lost.
    static Result<std::unique_ptr<PlayerHandle>, MediaError> open(
        MediaBackend& backend, const std::filesystem::path& path);
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
