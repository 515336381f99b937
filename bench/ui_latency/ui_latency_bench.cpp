// How long the interface thread is ever kept from its event loop during a real session: the
// window (offscreen) opens the bundled sample, plays, scrubs, drags both trim handles, changes
// the frame twice and exports the whole sample. A 4 ms timer ticks throughout; the time between
// two ticks is the gap a user would feel as a frozen window. Prints the longest gap and the
// 99th percentile for each step and overall; the goal is no gap over 50 ms. Beside them, the
// longest time the interface thread itself was running during one gap ("busy"): on a loaded
// machine a gap can be much longer than the work in it, the rest being time the system gave to
// other processes.
//
// Usage: ui_latency_bench [MOVIE]   (QT_QPA_PLATFORM=offscreen is set when unset)
// With KESTRO_LATENCY_TRACE set, every event the interface thread spends longer than that many
// milliseconds on is printed (receiver class and event type), to find what a gap was spent on.

#include "app/editor/editor_state.hpp"
#include "app/editor/workflow_dialogs.hpp"
#include "app/preview/simple_timeline_view.hpp"
#include "app/preview/timeline_section_view.hpp"
#include "app/window/main_window.hpp"
#include "core/model/frame_catalog.hpp"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

using namespace kestro;

namespace {

constexpr double kGoalMs = 50;

class ScratchDialogs : public WorkflowDialogs {
public:
    explicit ScratchDialogs(QString folder) : folder_(std::move(folder)) {}
    std::optional<QString> chooseExportDestination(const QString& name) override {
        return folder_ + "/" + name;
    }
    void presentExportSuccess(const QString&, std::function<void()> onOk,
                              std::function<void()>) override {
        if (onOk) onOk();
    }
    void revealFile(const QString&) override {}
    std::optional<QString> chooseRecordingsFolder() override { return std::nullopt; }
    std::optional<QString> chooseRecordingFile(const std::optional<QString>&,
                                               const QString&) override {
        return std::nullopt;
    }

private:
    QString folder_;
};

// CPU time the calling (interface) thread has used.
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Gaps between ticks of the probe timer, grouped by the step that was running.
class GapProbe {
public:
    GapProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(4);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        clock_.start();
        last_ = clock_.nsecsElapsed();
        timer_.start();
    }
    void beginStep(std::string name) { steps_.push_back({std::move(name), {}, {}}); }
    void report() const {
        std::vector<double> all;
        std::vector<double> allBusy;
        std::printf("%-22s %8s %8s %8s %7s\n", "step", "max ms", "p99 ms", "busy ms", "turns");
        for (const Step& step : steps_) {
            all.insert(all.end(), step.gaps.begin(), step.gaps.end());
            allBusy.insert(allBusy.end(), step.busy.begin(), step.busy.end());
            std::printf("%-22s %8.1f %8.1f %8.1f %7zu\n", step.name.c_str(), maxOf(step.gaps),
                        p99(step.gaps), maxOf(step.busy), step.gaps.size());
        }
        std::printf("%-22s %8.1f %8.1f %8.1f %7zu\n", "all", maxOf(all), p99(all), maxOf(allBusy),
                    all.size());
        std::printf("goal: no gap over %.0f ms -> %s (interface thread busy at most %.1f ms)\n",
                    kGoalMs, maxOf(all) <= kGoalMs ? "met" : "NOT met", maxOf(allBusy));
    }

private:
    struct Step {
        std::string name;
        std::vector<double> gaps;
        std::vector<double> busy;
    };

    void tick() {
        const qint64 now = clock_.nsecsElapsed();
        const double cpu = threadCpuMs();
        if (!steps_.empty()) {
            steps_.back().gaps.push_back(double(now - last_) / 1e6);
            steps_.back().busy.push_back(cpu - lastCpu_);
        }
        last_ = now;
        lastCpu_ = cpu;
    }
    static double maxOf(const std::vector<double>& v) {
        return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
    }
    static double p99(std::vector<double> v) {
        if (v.empty()) return 0;
        std::sort(v.begin(), v.end());
        return v[std::min(v.size() - 1, std::size_t(double(v.size()) * 0.99))];
    }

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    double lastCpu_ = threadCpuMs();
    std::vector<Step> steps_;
};

// Times each event delivery on the interface thread and names the slow ones. Nested deliveries
// (an event sent while handling another) are printed too, indented by depth.
class TracingApplication : public QApplication {
public:
    TracingApplication(int& argc, char** argv, double thresholdMs)
        : QApplication(argc, argv), thresholdMs_(thresholdMs) {}

    bool notify(QObject* receiver, QEvent* event) override {
        if (thresholdMs_ <= 0 || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        const QEvent::Type type = event->type();
        const char* cls = receiver->metaObject()->className();
        QElapsedTimer t;
        t.start();
        const double cpuBefore = threadCpuMs();
        ++depth_;
        const bool handled = QApplication::notify(receiver, event);
        --depth_;
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (ms >= thresholdMs_)
            std::fprintf(stderr, "slow event: %*s%.1f ms (cpu %.1f ms)  %s  type %d\n", depth_ * 2,
                         "", ms, threadCpuMs() - cpuBefore, cls, int(type));
        return handled;
    }

private:
    double thresholdMs_;
    int depth_ = 0;
};

// Runs the event loop until `done` or for `ms`, so the probe keeps ticking while the window
// works. It sleeps between events as the application's own loop does (the probe's timer wakes
// it every few milliseconds): a loop that polled instead would keep a core busy, compete with
// the threads it waits for, and count its own polling as the interface thread's work.
bool runUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

void runFor(int ms) {
    runUntil([] { return false; }, ms);
}

void mouse(QWidget* w, QEvent::Type type, QPointF at) {
    QMouseEvent e(
        type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// A press at `from`, moves to `to` in steps a few milliseconds apart, a release.
void drag(QWidget* w, QPointF from, QPointF to, int steps) {
    mouse(w, QEvent::MouseButtonPress, from);
    for (int i = 1; i <= steps; ++i) {
        mouse(w, QEvent::MouseMove, from + (to - from) * (double(i) / steps));
        runFor(8);
    }
    mouse(w, QEvent::MouseButtonRelease, to);
    runFor(30);
}

std::vector<QString> framesWithImages() {
    std::vector<QString> keys;
    for (const FramePreset& preset : framePresetCatalog())
        if (preset.bundleImageName) keys.push_back(QString::fromStdString(preset.key));
    return keys;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir scratch;
    // The bench's own preferences, so the user's are neither read nor changed.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.filePath("settings"));
    const char* trace = std::getenv("KESTRO_LATENCY_TRACE");
    TracingApplication app(argc, argv, trace ? std::atof(trace) : 0);
    QApplication::setOrganizationName(QStringLiteral("Kestro"));
    QApplication::setApplicationName(QStringLiteral("Kestro"));
    const QString movie =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(KESTRO_BENCH_SAMPLE);

    ScratchDialogs dialogs(scratch.path());
    ContentView::Services services;
    services.dialogs = &dialogs;
    MainWindow window(std::make_unique<EditorState>(), std::move(services));
    EditorState& s = window.state();
    window.resize(MainWindow::kDefaultSize);
    window.show();
    GapProbe probe;
    runFor(300);

    const auto frames = framesWithImages();
    probe.beginStep("frame: first");
    if (!frames.empty()) s.frame().setFramePreset(frames.front());
    runFor(300);

    probe.beginStep("import");
    // The movie is opened off the interface thread; the step lasts until it is shown.
    if (!s.playback().loadVideo(movie) ||
        !runUntil([&] { return !s.playback().movieLoading(); }, 30000) ||
        !s.playback().videoPath()) {
        std::fprintf(stderr, "ui_latency_bench: could not open %s\n",
                     movie.toLocal8Bit().constData());
        return 1;
    }
    runFor(500);

    probe.beginStep("play");
    if (!s.playback().isPlaying()) s.playback().togglePlayPause();
    runFor(2000);
    s.playback().togglePlayPause();

    SimpleTimelineView* track = window.content().timeline()->track();
    const QRectF r = track->trackRect();
    const double inset = SimpleTimelineView::kSideInset;
    const auto xAt = [&](double seconds) { return inset + track->xForTime(seconds); };
    const double y = r.center().y();

    probe.beginStep("scrub");
    drag(track, {xAt(s.playback().duration() * 0.2), y}, {xAt(s.playback().duration() * 0.8), y},
         60);
    drag(track, {xAt(s.playback().duration() * 0.8), y}, {xAt(s.playback().duration() * 0.3), y},
         60);

    probe.beginStep("trim handles");
    drag(track, {xAt(0) + 2, y}, {xAt(s.playback().duration() * 0.25), y}, 40);
    drag(track, {xAt(s.playback().duration()) - 2, y}, {xAt(s.playback().duration() * 0.85), y},
         40);

    probe.beginStep("frame: change");
    if (frames.size() > 1) s.frame().setFramePreset(frames[frames.size() / 2]);
    runFor(400);

    // The whole movie, as the user would after trimming back out.
    s.playback().setTrimStart(0);
    s.playback().setTrimEnd(s.playback().duration());
    probe.beginStep("export (whole sample)");
    bool finished = false;
    bool ok = false;
    QObject::connect(&window.content().exportWorkflow(), &ExportWorkflow::exportFinished,
                     [&](bool succeeded) {
                         finished = true;
                         ok = succeeded;
                     });
    window.content().exportWorkflow().startExport();
    if (!runUntil([&] { return finished; }, 300000)) {
        std::fprintf(stderr, "ui_latency_bench: the export did not finish\n");
        return 1;
    }
    runFor(200);
    probe.report();
    if (!ok) std::fprintf(stderr, "ui_latency_bench: the export failed\n");
    BackgroundTasks::waitForAll();
    return ok ? 0 : 1;
}
