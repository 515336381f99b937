#include "cli/export_output_probe.hpp"

#include "core/media/media_input.hpp"

namespace kestro::cli {

std::optional<double> probeDuration(const std::filesystem::path& movie) {
    auto input = openMediaInput(movie);
    if (!input.ok()) return std::nullopt;
    const AVFormatContext& format = **input;
    const double duration = movieDuration(format, findVideoStream(format));
    if (!(duration > 0)) return std::nullopt;
    return duration;
}

}  // namespace kestro::cli
