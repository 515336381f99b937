// The filmstrip's pictures from the core's reader: kept apart from the strip so that only this
// file sees the decoder's types.

#include "app/preview/filmstrip.hpp"
#include "core/media/player_frame_converter.hpp"
#include "core/media/video_reader.hpp"

namespace kestro {
namespace {

// Reading on up to this far costs less than a seek back to a keyframe and reading from there.
constexpr double kReadOnSeconds = 1.5;

}  // namespace

std::vector<QImage> decodeThumbnails(const QString& path, const std::vector<double>& times,
                                     QSize size) {
    std::vector<QImage> pictures(times.size());
    auto reader = VideoReader::open(path.toStdString(), VideoReader::Options{1});
    if (!reader) return pictures;
    PlayerFrameConverter converter((*reader)->info().video.rotation);
    double decodedUpTo = -1;  // the time of the last picture read, when reading on from it pays
    for (std::size_t i = 0; i < times.size(); ++i) {
        // Pictures close together are read on from the last one rather than sought: a seek
        // starts again from a keyframe.
        const bool readOn = decodedUpTo >= 0 && times[i] > decodedUpTo &&
                            times[i] - decodedUpTo < kReadOnSeconds;
        if (!readOn && !(*reader)->seekExact(times[i])) continue;
        auto frame = (*reader)->next();
        while (readOn && frame && *frame && (*frame)->time < times[i]) {
            auto following = (*reader)->next();
            if (!following || !*following) break;  // the last picture stands for the end
            frame = std::move(following);
        }
        if (!frame || !*frame) continue;
        decodedUpTo = (*frame)->time;
        const std::shared_ptr<Image> image =
            converter.convert(*(*frame)->frame, size.width(), size.height());
        if (!image || image->empty()) continue;
        // A copy: the converter reuses its images.
        pictures[i] = QImage(image->rgba.data(), image->width, image->height,
                             static_cast<qsizetype>(image->stride()), QImage::Format_RGBX8888)
                          .copy();
    }
    return pictures;
}

}  // namespace kestro
