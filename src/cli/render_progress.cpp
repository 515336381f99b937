#include "cli/render_progress.hpp"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kestro::cli {

namespace {

constexpr auto kMinimumInterval = std::chrono::milliseconds(100);

}  // namespace

RenderProgress::RenderProgress(bool enabled, std::vector<std::string> labels)
    : enabled_(enabled),
      terminal_(enabled && isatty(STDERR_FILENO)),
      labels_(std::move(labels)),
      fractions_(labels_.size(), 0.0),
      running_(labels_.size(), false) {}

void RenderProgress::begin(std::size_t index) {
    const std::lock_guard lock(mutex_);
    running_[index] = true;
    if (terminal_) drawLocked();
}

void RenderProgress::update(std::size_t index, double fraction) {
    if (!terminal_ || std::isnan(fraction)) return;
    const std::lock_guard lock(mutex_);
    fractions_[index] = std::clamp(fraction, 0.0, 1.0);
    const auto now = std::chrono::steady_clock::now();
    if (now - lastDraw_ < kMinimumInterval) return;
    lastDraw_ = now;
    drawLocked();
}

void RenderProgress::drawLocked() {
    double done = 0;
    std::string running;
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        done += fractions_[i];
        if (running_[i]) {
            char part[32];
            std::snprintf(part, sizeof part, " %.0f%%", fractions_[i] * 100);
            running += "  " + labels_[i] + part;
        }
    }
    const double overall = done / static_cast<double>(std::max<std::size_t>(labels_.size(), 1));
    std::fprintf(stderr, "\r\033[K[%zu/%zu done, all %5.1f%%]%s", ended_, labels_.size(), overall * 100,
                 running.c_str());
    std::fflush(stderr);
}

void RenderProgress::end(std::size_t index, bool ok, const std::string& summary) {
    if (!enabled_) return;
    const std::lock_guard lock(mutex_);
    running_[index] = false;
    fractions_[index] = 1;
    ++ended_;
    if (terminal_) std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "[%zu/%zu] %s %s: %s\n", ended_, labels_.size(), ok ? "done" : "FAILED",
                 labels_[index].c_str(), summary.c_str());
    if (terminal_ && ended_ < labels_.size()) drawLocked();
    std::fflush(stderr);
}

}  // namespace kestro::cli
