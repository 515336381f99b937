#pragma once
// The progress of `render` on standard error: the output being made, how far it is, and how far
// the whole run is (each output counts alike). On a terminal one line is redrawn at most ten
// times a second; elsewhere (a log, a pipe) each output gets one line when it ends.
// Used from the thread that runs the exports only (the exporter calls its progress handler there).

#include <chrono>
#include <cstddef>
#include <string>

namespace kestro::cli {

class RenderProgress {
public:
    RenderProgress(bool enabled, std::size_t outputs);
    // Output `index` (from 0) starts; `label` names it for people.
    void begin(std::size_t index, const std::string& label);
    void update(double fraction);
    // The output ended; `summary` says where it went or why it failed.
    void end(bool ok, const std::string& summary);

private:
    void draw(double fraction);

    bool enabled_;
    bool terminal_;
    std::size_t outputs_;
    std::size_t index_ = 0;
    std::string label_;
    int lastPermille_ = -1;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace kestro::cli
