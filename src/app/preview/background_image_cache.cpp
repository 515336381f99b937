#include "app/preview/background_image_cache.hpp"

#include "core/export/background_image.hpp"

#include <QFileInfo>

namespace kestro {

std::shared_ptr<const Image> BackgroundImageCache::imageFor(const QString& path) {
    const QDateTime modified = QFileInfo(path).lastModified();
    if (path == path_ && modified == modified_) return decoded_ ? image_ : nullptr;
    path_ = path;
    modified_ = modified;
    decoded_ = false;
    image_.reset();
    loading_ = true;
    const std::uint64_t generation = ++generation_;
    tasks_.run<std::shared_ptr<const Image>>(
        "kestro-bg-image",
        [file = std::filesystem::path(path.toStdString())]() -> std::shared_ptr<const Image> {
            auto image = loadBackgroundImage(file);
            if (!image) return nullptr;
            return std::make_shared<const Image>(std::move(*image));
        },
        [this, generation](std::shared_ptr<const Image> image) {
            if (generation != generation_) return;  // another file was asked for since
            loading_ = false;
            decoded_ = true;
            image_ = std::move(image);
            emit ready();
        });
    return nullptr;
}

}  // namespace kestro
