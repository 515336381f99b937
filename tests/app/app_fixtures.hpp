#pragma once
// Shared pieces of the app tests: the frame images the catalogue is built from, a scripted
// playback engine standing in for the FFmpeg player, scripted panels, and waiting on the loop.

#include "app/editor/editor_dialogs.hpp"
#include "app/editor/video_feed.hpp"
#include "app/editor/video_source.hpp"
#include "app/editor/workflow_dialogs.hpp"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QStringList>
#include <QThread>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestro::test {

// Writes, under `resources`/Frames:
//  - iphone16pro_black_portrait.png: 108 x 208 with a 4-pixel transparent border (trims to
//    100 x 200), body opaque, opening transparent over columns 10..89 and rows 20..169 of the
//    trimmed image (20 rows above, 30 below);
//  - iphone17air_sky_blue_portrait.png: 60 x 120 fully opaque (no opening to detect);
//  - iphone14_red_portrait.png: like the first, for the "Other" group;
//  - iphone15_black_portrait.png: not a PNG at all (cannot be decoded).
void writeFrameFixtures(const std::string& resources);

inline constexpr const char* kProKey = "Frames/iphone16pro_black_portrait";
inline constexpr const char* kOpaqueKey = "Frames/iphone17air_sky_blue_portrait";
inline constexpr const char* kBrokenKey = "Frames/iphone15_black_portrait";

// A playback engine driven by the test. Events are fired from a separate thread, as the real
// player does, so the tests also check that the editor only reacts on the interface thread.
class FakeSource : public VideoSource {
public:
    struct Log {
        int plays = 0;
        int pauses = 0;
        std::vector<double> seeks;
        bool destroyed = false;
    };

    FakeSource(Events events, std::shared_ptr<Log> log, int w, int h, double duration)
        : events_(std::move(events)), log_(std::move(log)), w_(w), h_(h), duration_(duration) {}
    ~FakeSource() override { log_->destroyed = true; }

    double duration() const override { return duration_; }
    int width() const override { return w_; }
    int height() const override { return h_; }
    void play() override {
        ++log_->plays;
        playing_ = true;
    }
    void pause() override {
        ++log_->pauses;
        playing_ = false;
    }
    bool isPlaying() const override { return playing_; }
    void seek(double seconds) override {
        log_->seeks.push_back(seconds);
        time_ = seconds;
    }
    double currentTime() const override { return time_; }
    void setTargetSize(int, int) override {}
    QImage latestFrame() const override { return {}; }

    // Fire an event from another thread and wait for that thread to finish.
    void fireTime(double t) { onThread([this, t] { events_.timeChanged(t); }); }
    void fireEnd() { onThread([this] { events_.reachedEnd(); }); }
    void fireFailure(const std::string& m) {
        onThread([this, m] { events_.failed(m); });
    }

private:
    template <class F>
    void onThread(F f) {
        std::thread t(f);
        t.join();
    }

    Events events_;
    std::shared_ptr<Log> log_;
    int w_;
    int h_;
    double duration_;
    bool playing_ = false;
    double time_ = 0;
};

// A feed showing one solid 90 x 160 picture; keeps the size the view asked for.
class SolidFeed : public VideoFeed {
public:
    explicit SolidFeed(QColor c) : frame_(90, 160, QImage::Format_RGBA8888) { frame_.fill(c); }
    QImage currentFrame() const override { return frame_; }
    QSize videoSize() const override { return frame_.size(); }
    void setTargetSize(QSize size) override { target = size; }
    QSize target;

private:
    QImage frame_;
};

class FakeBackend : public MediaBackend {
public:
    struct Movie {
        Result<MovieFacts, MediaError> probe = MovieFacts{true, true, 10.0};
        std::optional<MediaError> openError;
        int width = 1170;
        int height = 2532;
    };

    std::map<std::string, Movie> movies;  // by path; unknown paths probe as a 10 s movie
    FakeSource* last = nullptr;           // the most recently opened source (owned by the editor)
    std::shared_ptr<FakeSource::Log> lastLog;
    int opens = 0;

    Result<MovieFacts, MediaError> probe(const std::filesystem::path& path) override {
        const auto it = movies.find(path.string());
        return it == movies.end() ? Movie{}.probe : it->second.probe;
    }
    Result<std::unique_ptr<VideoSource>, MediaError> open(const std::filesystem::path& path,
                                                          VideoSource::Events events) override {
        const auto it = movies.find(path.string());
        const Movie movie = it == movies.end() ? Movie{} : it->second;
        if (movie.openError) return fail(*movie.openError);
        ++opens;
        lastLog = std::make_shared<FakeSource::Log>();
        const double d = movie.probe ? movie.probe->duration : 0;
        auto source = std::make_unique<FakeSource>(std::move(events), lastLog, movie.width,
                                                   movie.height, d);
        last = source.get();
        return std::unique_ptr<VideoSource>(std::move(source));
    }
};

class RecordingAlerts : public AlertPresenter {
public:
    QStringList titles;
    QStringList messages;
    void showAlert(const QString& title, const QString& message) override {
        titles << title;
        messages << message;
    }
};

class ScriptedDialogs : public FileDialogs {
public:
    std::optional<QString> answer;
    int asked = 0;
    std::optional<QString> imageAnswer;
    std::optional<QString> chooseMovie() override {
        ++asked;
        return answer;
    }
    std::optional<QString> chooseBackgroundImage() override { return imageAnswer; }
};

class ScriptedWorkflowDialogs : public WorkflowDialogs {
public:
    // Answers, and what the workflows asked.
    std::optional<QString> exportDestination;
    QStringList proposedExportNames;
    std::optional<QString> recordingsFolder;
    std::optional<QString> recordingFile;
    QStringList proposedRecordingNames;
    std::vector<std::optional<QString>> recordingStartFolders;
    QStringList successPaths;
    std::function<void()> successReveal;
    QStringList revealed;

    std::optional<QString> chooseExportDestination(const QString& proposedName) override {
        proposedExportNames << proposedName;
        return exportDestination;
    }
    void presentExportSuccess(const QString& outputPath, std::function<void()>,
                              std::function<void()> onReveal) override {
        successPaths << outputPath;
        successReveal = std::move(onReveal);
    }
    void revealFile(const QString& path) override { revealed << path; }
    std::optional<QString> chooseRecordingsFolder() override { return recordingsFolder; }
    std::optional<QString> chooseRecordingFile(const std::optional<QString>& startFolder,
                                               const QString& proposedName) override {
        recordingStartFolders.push_back(startFolder);
        proposedRecordingNames << proposedName;
        return recordingFile;
    }
};

// Writes `bytes` to `path` (a stand-in movie, a file that is no picture) and returns the path.
inline QString writeFile(const QString& path, const QByteArray& bytes = "stand-in") {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    return path;
}

// Lets queued calls (player events, the placement reset) run.
inline void drainEvents() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// Spins the event loop until `done` holds, for up to `ms`; returns whether it holds.
template <class Done>
bool waitUntilDone(const Done& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);  // leaves the CPU to the pool's workers
    }
    return done();
}

// Lets a frame load started on the pool land.
template <class Editor>
void waitForFrame(const Editor& editor) {
    waitUntilDone([&] { return !editor.frame().frameLoading(); });
    drainEvents();
}

// Lets a movie load already started (by an import, a recording) land, for up to 10 s.
template <class Editor>
void waitForMovie(const Editor& editor) {
    waitUntilDone([&] { return !editor.playback().movieLoading(); });
    drainEvents();
}

// Draws a PreviewView once every picture it started making (drawing starts some) has landed;
// the pictures are made on the pool.
template <class View>
QImage renderSettled(View& view) {
    const auto draw = [&view] {
        QImage out(view.size(), QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::transparent);
        view.render(&out, QPoint(), QRegion(), QWidget::DrawChildren);
        return out;
    };
    QImage out = draw();
    while (view.preparing() && waitUntilDone([&] { return !view.preparing(); })) out = draw();
    return out;
}

// Loads `path` as the editor's movie and lets the load, which runs on the pool, land. Returns
// whether that movie became current (false at once when it was refused, or after 10 s).
template <class Editor>
bool loadAndWait(Editor& editor, const QString& path) {
    // Shared: a load still running after the deadline must not write to this frame.
    auto outcome = std::make_shared<std::optional<bool>>();
    editor.playback().loadVideo(path, [outcome](bool loaded) { *outcome = loaded; });
    waitUntilDone([&] { return outcome->has_value(); });
    drainEvents();
    return outcome->value_or(false);
}

}  // namespace kestro::test
