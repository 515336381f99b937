#include "cli/export_output_probe.hpp"

extern "C" {
#include <libavformat/avformat.h>
}

#include <memory>

namespace kestro::cli {

namespace {

struct CloseInput {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

}  // namespace

std::optional<double> probeDuration(const std::filesystem::path& movie) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, movie.c_str(), nullptr, nullptr) < 0) return std::nullopt;
    const std::unique_ptr<AVFormatContext, CloseInput> context(raw);
    if (context->duration == AV_NOPTS_VALUE || context->duration < 0) return std::nullopt;
    return static_cast<double>(context->duration) / AV_TIME_BASE;
}

}  // namespace kestro::cli
