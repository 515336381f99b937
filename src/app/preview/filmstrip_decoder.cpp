// The filmstrip's pictures from the core's reader: kept apart from the strip so that only this
// file sees the decoder's types.

#include "app/preview/filmstrip.hpp"
#include "core/media/player_frame_converter.hpp"
#include "core/media/video_reader.hpp"

namespace kestro {

std::vector<QImage> decodeThumbnails(const QString& path, const std::vector<double>& times,
                                     QSize size) {
    std::vector<QImage> pictures(times.size());
    auto reader = VideoReader::open(path.toStdString(), VideoReader::Options{1});
    if (!reader) return pictures;
    PlayerFrameConverter converter((*reader)->info().video.rotation);
    for (std::size_t i = 0; i < times.size(); ++i) {
        if (!(*reader)->seekExact(times[i])) continue;
        auto frame = (*reader)->next();
        if (!frame || !*frame) continue;
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
