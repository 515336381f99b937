#include "core/export/encoder_threads.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

std::vector<int> shareEncoderThreads(const std::vector<long long>& pixels, int cores) {
    std::vector<int> threads(pixels.size(), 0);
    const auto threaded =
        std::count_if(pixels.begin(), pixels.end(), [](long long p) { return p > 0; });
    if (threaded < 2) return threads;
    long double total = 0;
    for (long long p : pixels) total += p > 0 ? static_cast<long double>(p) : 0;
    const int machine = std::max(1, cores);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] <= 0) continue;
        const long double share = machine * static_cast<long double>(pixels[i]) / total;
        threads[i] = std::clamp(static_cast<int>(std::ceil(share - 1e-9L)), 1, machine);
    }
    return threads;
}

}  // namespace kestro
