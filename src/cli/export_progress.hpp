#pragma once
// The export's progress bar on standard error. It draws only when standard error is a terminal
// (a log file or a pipe gets no carriage-return noise) and redraws at most ten times a second.
// update() may be called from the engine's thread; finish() from the thread that started the
// export, after the export has returned (so the two never overlap).

#include <chrono>
#include <mutex>

namespace kestro::cli {

class ExportProgressBar {
public:
    explicit ExportProgressBar(bool enabled);

    void update(double fraction);
    // Ends the line the bar was drawn on, if it was ever drawn.
    void finish();

private:
    void draw(double fraction);

    bool enabled_;
    std::mutex mutex_;
    bool drawn_ = false;
    int lastPermille_ = -1;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace kestro::cli
