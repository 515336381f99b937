// The application's playback engine: the core's FFmpeg player behind the editor's VideoSource.
// The adapter stays thin on purpose: every editor rule lives above the VideoSource interface.

#include "app/editor/video_source.hpp"

#include "core/media/movie_probe.hpp"
#include "core/media/player.hpp"
#include "core/model/image.hpp"

extern "C" {
#include <libavutil/error.h>
}

namespace kestro {
namespace {

// Shares the decoded picture with Qt without copying; the image keeps the frame alive. The
// player's pictures are opaque, so Qt may treat the fourth byte as padding and skip
// premultiplying on every draw.
QImage wrapFrame(std::shared_ptr<const Image> frame) {
    if (!frame || frame->empty()) return {};
    auto* keeper = new std::shared_ptr<const Image>(std::move(frame));
    const Image& img = **keeper;
    return QImage(
        img.rgba.data(), img.width, img.height, static_cast<qsizetype>(img.stride()),
        QImage::Format_RGBX8888,
        [](void* info) { delete static_cast<std::shared_ptr<const Image>*>(info); }, keeper);
}

class PlayerSource final : public VideoSource {
public:
    explicit PlayerSource(std::unique_ptr<Player> player) : player_(std::move(player)) {}

    double duration() const override { return player_->duration(); }
    int width() const override { return player_->width(); }
    int height() const override { return player_->height(); }
    void play() override { player_->play(); }
    void pause() override { player_->pause(); }
    bool isPlaying() const override { return player_->isPlaying(); }
    void seek(double seconds) override { player_->seek(seconds); }
    double currentTime() const override { return player_->currentTime(); }
    void setTargetSize(int w, int h) override { player_->setTargetSize(w, h); }
    QImage latestFrame() const override { return wrapFrame(player_->latestFrame()); }

private:
    std::unique_ptr<Player> player_;
};

class FfmpegBackend final : public MediaBackend {
public:
    Result<MovieFacts, MediaError> probe(const std::filesystem::path& path) override {
        auto info = probeMovie(path);
        if (!info) {
            // A container or codec FFmpeg was built without: the file itself may be fine.
            const int code = info.error().averror;
            if (code == AVERROR_DECODER_NOT_FOUND || code == AVERROR_DEMUXER_NOT_FOUND)
                return MovieFacts{false, false, 0};
            return fail(info.error());
        }
        return MovieFacts{true, info->hasVideo, info->duration, info->video.averageFrameRate};
    }

    Result<std::unique_ptr<VideoSource>, MediaError> open(const std::filesystem::path& path,
                                                          VideoSource::Events events) override {
        Player::Events e;
        e.timeChanged = std::move(events.timeChanged);
        e.frameReady = std::move(events.frameReady);
        e.reachedEnd = std::move(events.reachedEnd);
        e.failed = std::move(events.failed);
        auto player = Player::open(path, std::move(e));
        if (!player) return fail(player.error());
        return std::unique_ptr<VideoSource>(std::make_unique<PlayerSource>(std::move(player.value())));
    }
};

}  // namespace

std::unique_ptr<MediaBackend> makeDefaultMediaBackend() { return std::make_unique<FfmpegBackend>(); }


}  // namespace kestro
