#include "core/capture/android_touch_log.hpp"

#include "core/capture/child_stop.hpp"
#include "core/capture/tool_run.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

using namespace std::chrono_literals;

double hostSeconds(std::chrono::steady_clock::time_point at) {
    return std::chrono::duration<double>(at.time_since_epoch()).count();
}

// A partial line longer than this is no getevent output; it is dropped.
constexpr std::size_t kLongestLine = 4096;

}  // namespace

TouchTrack placeTouches(const std::vector<StampedTouch>& touches,
                        const std::vector<RecordedPiece>& pieces, DisplaySize from,
                        DisplaySize to) {
    TouchTrack track;
    if (pieces.empty() || from.width <= 0 || from.height <= 0) return track;
    const double sx = to.width > 0 ? static_cast<double>(to.width) / from.width : 1;
    const double sy = to.height > 0 ? static_cast<double>(to.height) / from.height : 1;
    for (const StampedTouch& stamped : touches) {
        // The last piece that had started by then.
        double before = 0;  // the joined movie's time where that piece begins
        std::optional<std::size_t> piece;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (pieces[i].started > stamped.at) break;
            if (piece) before += pieces[*piece].seconds;
            piece = i;
        }
        if (!piece) continue;
        const double into =
            std::chrono::duration<double>(stamped.at - pieces[*piece].started).count();
        TouchPoint touch = stamped.touch;
        touch.t = before + std::min(into, pieces[*piece].seconds);
        touch.x = std::round(touch.x * sx * 10) / 10;
        touch.y = std::round(touch.y * sy * 10) / 10;
        track.touches.push_back(touch);
    }
    std::stable_sort(track.touches.begin(), track.touches.end(),
                     [](const TouchPoint& a, const TouchPoint& b) { return a.t < b.t; });
    return track;
}

AndroidTouchLog::AndroidTouchLog(TouchMapping mapping)
    : mapping_(mapping), decoder_(std::move(mapping)) {}

AndroidTouchLog::~AndroidTouchLog() {
    (void)finish();
}

std::unique_ptr<AndroidTouchLog> AndroidTouchLog::start(const std::string& adb,
                                                        const std::string& serial) {
    const ToolRun devices = runTool(adb, {"-s", serial, "shell", "getevent", "-pl"});
    const auto screen =
        devices.succeeded() ? findTouchscreen(devices.standardOutput) : std::nullopt;
    if (!screen) return nullptr;
    const ToolRun size = runTool(adb, {"-s", serial, "shell", "wm", "size"});
    const auto display = size.succeeded() ? parseWmSize(size.standardOutput) : std::nullopt;
    if (!display) return nullptr;
    const ToolRun input = runTool(adb, {"-s", serial, "shell", "dumpsys", "input"});
    const int rotation = input.succeeded() ? parseDisplayRotation(input.standardOutput) : 0;

    std::unique_ptr<AndroidTouchLog> log(
        new AndroidTouchLog(TouchMapping{*screen, *display, rotation}));
    AndroidTouchLog* self = log.get();
    SpawnRequest request{adb,
                         // A terminal on the device keeps getevent's output flowing line by
                         // line, and ends getevent when our adb goes away.
                         {"-s", serial, "shell", "-t", "-t", "getevent", "-lt", screen->device},
                         ChildStream::discard,
                         ChildStream::null,
                         true,
                         [self](std::string_view text) { self->receive(text); }};
    auto child = ChildProcess::spawn(request);
    if (!child) return nullptr;
    log->child_.emplace(std::move(*child));
    return log;
}

void AndroidTouchLog::receive(std::string_view text) {
    const double now = hostSeconds(std::chrono::steady_clock::now());
    std::lock_guard lock(mutex_);
    while (!text.empty()) {
        const auto end = text.find('\n');
        if (end == std::string_view::npos) {
            partial_.append(text);
            if (partial_.size() > kLongestLine) partial_.clear();
            return;
        }
        partial_.append(text.substr(0, end));
        text.remove_prefix(end + 1);
        decoder_.feed(partial_);
        partial_.clear();
        // The earliest a stamp arrives after it happened is the closest to the true offset
        // between the two clocks: a late line only makes an offset larger.
        if (const auto stamp = decoder_.lastStamp()) {
            const double offset = now - *stamp;
            if (!offset_ || offset < *offset_) offset_ = offset;
        }
        for (const TouchPoint& touch : decoder_.take()) touches_.push_back({touch.t, touch});
    }
}

std::vector<StampedTouch> AndroidTouchLog::finish() {
    if (child_) {
        // The local adb ends on the interrupt, and the device's terminal with it ends getevent.
        // Its output is read to the end before the child goes: the reader calls into this log.
        interruptAndAwait(*child_, 1000ms);
        (void)child_->readOutputToEnd();  // nothing is collected: it went to receive()
        child_->waitForExit();
        child_.reset();
    }
    std::lock_guard lock(mutex_);
    std::vector<StampedTouch> stamped;
    if (!offset_) return stamped;
    for (const auto& [stamp, touch] : touches_) {
        const auto at = std::chrono::steady_clock::time_point(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(stamp + *offset_)));
        stamped.push_back({at, touch});
    }
    touches_.clear();
    return stamped;
}

}  // namespace kestro
