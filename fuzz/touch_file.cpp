// The touch file read from beside a recording: any bytes give a track or a message, never a
// crash; a track that is read holds only checked values and reads back equal once written.

#include "core/model/touch_file.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto track = kestro::parseTouchFile(text);
    if (!track) {
        if (track.error().empty()) std::abort();
        return 0;
    }
    double last = 0;
    for (const kestro::TouchPoint& p : track->touches) {
        if (!std::isfinite(p.t) || p.t < last || p.x < 0 || p.y < 0 || p.id < 0) std::abort();
        last = p.t;
    }
    auto again = kestro::parseTouchFile(kestro::touchFileText(*track));
    if (!again || !(*again == *track)) std::abort();
    return 0;
}
