#include "cli/export_progress.hpp"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace kestro::cli {

namespace {

constexpr int kBarWidth = 40;
constexpr auto kMinimumInterval = std::chrono::milliseconds(100);

}  // namespace

ExportProgressBar::ExportProgressBar(bool enabled) : enabled_(enabled && isatty(STDERR_FILENO)) {}

void ExportProgressBar::update(double fraction) {
    if (!enabled_ || std::isnan(fraction)) return;
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int permille = static_cast<int>(fraction * 1000);
    const auto now = std::chrono::steady_clock::now();
    // The final 100% is always drawn; anything else at most every 100 ms and only when it moved.
    if (permille == lastPermille_) return;
    if (permille < 1000 && drawn_ && now - lastDraw_ < kMinimumInterval) return;
    lastPermille_ = permille;
    lastDraw_ = now;
    draw(fraction);
}

void ExportProgressBar::draw(double fraction) {
    const int filled = static_cast<int>(fraction * kBarWidth);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
    std::fprintf(stderr, "\rExporting [%s] %5.1f%%", bar.c_str(), fraction * 100);
    std::fflush(stderr);
    drawn_ = true;
}

void ExportProgressBar::finish() {
    if (drawn_) std::fputc('\n', stderr);
    drawn_ = false;
}

}  // namespace kestro::cli
