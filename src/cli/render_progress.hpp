#pragma once
// The progress of `render` on standard error: each output being made, how far it is, and how
// far the whole run is (each output counts alike). On a terminal one line is redrawn at most ten
// times a second; elsewhere (a log, a pipe) each output gets one line when it ends.
//
// Outputs render on several threads at once; every member is guarded by the one mutex, and each
// call draws while holding it, so lines never interleave.

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace kestro::cli {

class RenderProgress {
public:
    RenderProgress(bool enabled, std::vector<std::string> labels);
    void begin(std::size_t index);
    void update(std::size_t index, double fraction);
    // The output ended; `summary` says where it went or why it failed.
    void end(std::size_t index, bool ok, const std::string& summary);

private:
    void drawLocked();

    const bool enabled_;
    const bool terminal_;
    std::mutex mutex_;
    std::vector<std::string> labels_;
    std::vector<double> fractions_;  // -1: not started
    std::vector<bool> running_;
    std::size_t ended_ = 0;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace kestro::cli
