#include "app/preview/filmstrip.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

Filmstrip::Filmstrip(Decoder decoder, QObject* parent)
    : QObject(parent), decoder_(decoder ? std::move(decoder) : Decoder(decodeThumbnails)) {}

std::vector<double> Filmstrip::timesFor(double duration, int count) {
    std::vector<double> times;
    if (!(duration > 0) || count <= 0) return times;
    for (int i = 0; i < count; ++i) times.push_back(duration * (i + 0.5) / count);
    return times;
}

void Filmstrip::request(const QString& path, double duration, int count, QSize size) {
    Key key{path, duration, count, size};
    if (path.isEmpty() || count <= 0 || size.isEmpty() || !(duration > 0)) key = Key{};
    if (key == wanted_) return;
    wanted_ = key;
    if (key.path.isEmpty()) {
        shown_.clear();
        emit ready();
        return;
    }
    const auto cached =
        std::find_if(cache_.begin(), cache_.end(), [&](const Entry& e) { return e.key == key; });
    if (cached != cache_.end()) {
        shown_ = cached->pictures;
        emit ready();
        return;
    }
    if (std::find(decoding_.begin(), decoding_.end(), key) != decoding_.end()) return;
    decoding_.push_back(key);
    tasks_.run<std::vector<QImage>>(
        "kestro-filmstrip",
        [decoder = decoder_, key] {
            return decoder(key.path, timesFor(key.duration, key.count), key.size);
        },
        [this, key](std::vector<QImage> pictures) {
            decoding_.erase(std::remove(decoding_.begin(), decoding_.end(), key), decoding_.end());
            remember(key, pictures);
            if (key != wanted_) return;
            shown_ = std::move(pictures);
            emit ready();
        });
}

bool Filmstrip::pending() const {
    return std::find(decoding_.begin(), decoding_.end(), wanted_) != decoding_.end();
}

void Filmstrip::remember(Key key, std::vector<QImage> pictures) {
    cache_.push_front(Entry{std::move(key), std::move(pictures)});
    while (cache_.size() > std::size_t(kCacheEntries)) cache_.pop_back();
}

}  // namespace kestro
