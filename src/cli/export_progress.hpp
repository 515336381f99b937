#pragma once
// The export's progress bar on standard error. It draws only when standard error is a terminal
// (a log file or a pipe gets no carriage-return noise) and redraws at most ten times a second.
// Used from one thread only: the exporter calls its progress handler, and so update(), on the
// thread that runs the export, and finish() follows once the export has returned.

#include <chrono>

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
    bool drawn_ = false;
    int lastPermille_ = -1;
    std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace kestro::cli
