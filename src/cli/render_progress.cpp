#include "cli/render_progress.hpp"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestro::cli {

namespace {

constexpr auto kMinimumInterval = std::chrono::milliseconds(100);

}  // namespace

RenderProgress::RenderProgress(bool enabled, std::size_t outputs)
    : enabled_(enabled), terminal_(enabled && isatty(STDERR_FILENO)), outputs_(std::max<std::size_t>(outputs, 1)) {}

void RenderProgress::begin(std::size_t index, const std::string& label) {
    index_ = index;
    label_ = label;
    lastPermille_ = -1;
    if (terminal_) draw(0);
}

void RenderProgress::update(double fraction) {
    if (!terminal_ || std::isnan(fraction)) return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int permille = static_cast<int>(fraction * 1000);
    const auto now = std::chrono::steady_clock::now();
    if (permille == lastPermille_ || (permille < 1000 && now - lastDraw_ < kMinimumInterval)) return;
    lastPermille_ = permille;
    lastDraw_ = now;
    draw(fraction);
}

void RenderProgress::draw(double fraction) {
    const double overall = (static_cast<double>(index_) + fraction) / static_cast<double>(outputs_);
    std::fprintf(stderr, "\r\033[K[%zu/%zu] %s %5.1f%%  (all %5.1f%%)", index_ + 1, outputs_,
                 label_.c_str(), fraction * 100, overall * 100);
    std::fflush(stderr);
}

void RenderProgress::end(bool ok, const std::string& summary) {
    if (!enabled_) return;
    if (terminal_) std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "[%zu/%zu] %s %s: %s\n", index_ + 1, outputs_, ok ? "done" : "FAILED",
                 label_.c_str(), summary.c_str());
    std::fflush(stderr);
}

}  // namespace kestro::cli
