// Kestro's window: `kestro [FILE]` opens the editor, with FILE loaded as the movie when given.
// `--frame KEY` selects a frame preset at start ("auto": the first one with an image);
// `--dark` uses the dark appearance for this run. `--screenshot PATH` waits for the first
// picture, saves the window to PATH and quits; with `--screenshot-zoom` it first adds a zoom
// around 1 s of the movie and shows the preview there; with `--screenshot-mid-export` it first starts an
// export of the movie into a scratch folder and saves the window while that export runs; with
// `--screenshot-export-failure` it saves the window after an export that failed (its destination
// folder does not exist); `--screenshot-transparent-mp4` chooses an MP4 over the transparent
// background first; `--screenshot-recording-failure` records from the first device found and
// saves the window once the card says the recording saved nothing (meant for a stand-in
// recorder that writes no file); `--screenshot-caption TEXT` (repeatable) shows captions over the
// first seconds with the playhead inside them; `--screenshot-file-menu` saves the window with its
// File menu open and prints the window's title as shown (with its unsaved mark);
// `--screenshot-taps` adds a tap at 1 s in an orange style and shows it with the Taps card in
// view. Every shot waits for the preview's pictures to be made.

#include "app/editor/background_task.hpp"
#include "app/editor/editor_state.hpp"
#include "app/editor/recording_workflow.hpp"
#include "app/editor/touch_editing.hpp"
#include "app/preview/preview_stage_view.hpp"
#include "app/preview/preview_view.hpp"
#include "app/preview/filmstrip.hpp"
#include "app/preview/timeline_section_view.hpp"
#include "app/sections/taps_section.hpp"
#include "app/ui/palette.hpp"
#include "app/window/main_window.hpp"
#include "app/window/project_commands.hpp"
#include "app/window/qt_dialogs.hpp"
#include "core/library_versions.hpp"
#include "core/model/frame_catalog.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace kestro;

namespace {

// The first Pro model with an image (the most recognisable silhouette), else the first frame.
QString autoFrameKey() {
    const FramePreset* first = nullptr;
    for (const FramePreset& preset : framePresetCatalog()) {
        if (!preset.bundleImageName) continue;
        if (!first) first = &preset;
        if (QString::fromStdString(preset.label).contains(QStringLiteral(" Pro")))
            return QString::fromStdString(preset.key);
    }
    return first ? QString::fromStdString(first->key) : QString();
}

void grabNow(QWidget& window, const QString& path) {
    const bool ok = window.grab().save(path);
    std::fprintf(ok ? stdout : stderr,
                 ok ? "kestro: window saved to %s\n" : "kestro: could not write %s\n",
                 path.toLocal8Bit().constData());
    QCoreApplication::exit(ok ? 0 : 1);
}

// Saves the window once the preview and the filmstrip have finished making their pictures (at
// most 10 s more), so a busy machine does not catch a frame half made; `save` (when given)
// saves it instead of the plain grab.
void saveScreenshot(MainWindow& window, const QString& path,
                    void (*save)(MainWindow&, const QString&) = nullptr) {
    auto* poll = new QTimer(&window);
    auto* waited = new QElapsedTimer();
    waited->start();
    QObject::connect(poll, &QTimer::timeout, &window, [&window, path, poll, waited, save] {
        const bool drawing = window.content().stage()->preview()->preparing() ||
                             window.content().timeline()->filmstrip()->pending();
        if (drawing && waited->elapsed() < 10000) return;
        poll->stop();
        delete waited;
        if (save) return save(window, path);
        grabNow(window, path);
    });
    poll->start(50);
}

// The window with its File menu open under the menu bar, the menu drawn where it shows, once
// the preview has its pictures; the title (which a window grab leaves out) is printed.
void screenshotFileMenu(MainWindow& window, const QString& path) {
    QMenuBar* bar = window.menuBar();
    QAction* file = bar->actions().value(0);
    QMenu* menu = file ? file->menu() : nullptr;
    if (!menu) return grabNow(window, path);
    QString title = window.windowTitle();
    title.replace(QStringLiteral("[*]"), window.isWindowModified() ? QStringLiteral("*") : QString());
    std::printf("kestro: title \"%s\"\n", title.toUtf8().constData());
    const QPoint at = bar->mapTo(&window, bar->actionGeometry(file).bottomLeft());
    menu->popup(window.mapToGlobal(at));
    QTimer::singleShot(400, &window, [&window, menu, at, path] {
        QPixmap shot = window.grab();
        {
            QPainter painter(&shot);
            painter.drawPixmap(at, menu->grab());
        }
        menu->hide();
        const bool ok = shot.save(path);
        std::fprintf(ok ? stdout : stderr,
                     ok ? "kestro: window saved to %s\n" : "kestro: could not write %s\n",
                     path.toLocal8Bit().constData());
        QCoreApplication::exit(ok ? 0 : 1);
    });
}

// Records from the first device the discovery lists into the scratch folder, stops after a
// moment, and saves the window once the failure shows (or after 20 s).
void screenshotRecordingFailure(MainWindow& window, const QString& path) {
    RecordingWorkflow& recording = window.content().recordingWorkflow();
    const auto shoot = [&window, path] {
        QTimer::singleShot(300, &window, [&window, path] { saveScreenshot(window, path); });
    };
    QObject::connect(&recording, &RecordingWorkflow::recordingFailureChanged, &window, shoot);
    QObject::connect(&recording, &RecordingWorkflow::recordingStateChanged, &window,
                     [&recording](RecordingState state) {
                         if (state == RecordingState::recording)
                             QTimer::singleShot(600, &recording,
                                                [&recording] { recording.endRecording(); });
                     });
    QTimer::singleShot(20000, &window, shoot);
    if (recording.refreshing()) {
        auto started = std::make_shared<bool>(false);
        QObject::connect(&recording, &RecordingWorkflow::devicesRefreshed, &window,
                         [&recording, started] {
                             if (*started) return;
                             *started = true;
                             recording.beginRecording();
                         });
    } else {
        recording.beginRecording();
    }
}

// Alerts printed rather than shown: a shot saves the window, never a panel over it.
class PrintedAlerts : public AlertPresenter {
public:
    void showAlert(const QString& title, const QString& message) override {
        std::fprintf(stderr, "kestro: %s: %s\n", title.toLocal8Bit().constData(),
                     message.toLocal8Bit().constData());
    }
};

// The window's panels, except that the export goes to a scratch file without asking.
class ScratchExportDialogs : public QtWorkflowDialogs {
public:
    explicit ScratchExportDialogs(QString folder) : folder_(std::move(folder)) {}
    std::optional<QString> chooseExportDestination(const QString& proposedName) override {
        return folder_ + QStringLiteral("/") + proposedName;
    }
    void presentExportSuccess(const QString&, std::function<void()> onOk,
                              std::function<void()>) override {
        if (onOk) onOk();
    }
    std::optional<QString> chooseRecordingFile(const std::optional<QString>&,
                                               const QString& proposedName) override {
        return folder_ + QStringLiteral("/") + proposedName;
    }

private:
    QString folder_;
};

// Starts the export and saves the window once it is well under way (or after 60 s at most).
// Quitting then cancels the export, which removes its temporary file.
void screenshotMidExport(MainWindow& window, const QString& path) {
    window.content().exportWorkflow().startExport();
    auto* deadline = new QTimer(&window);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, &window,
                     [&window, path] { saveScreenshot(window, path); });
    QObject::connect(&window.content().exportWorkflow(), &ExportWorkflow::progressChanged, deadline,
                     [&window, path, deadline](double p) {
                         if (!deadline->isActive() || p < 0.35) return;
                         deadline->stop();
                         QTimer::singleShot(250, &window,
                                            [&window, path] { saveScreenshot(window, path); });
                     });
    deadline->start(60000);
}

// Starts an export that cannot be written and saves the window once its failure shows.
void screenshotExportFailure(MainWindow& window, const QString& path) {
    QObject::connect(&window.content().exportWorkflow(), &ExportWorkflow::exportFinished, &window,
                     [&window, path] {
                         QTimer::singleShot(300, &window,
                                            [&window, path] { saveScreenshot(window, path); });
                     });
    window.content().exportWorkflow().startExport();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kestro"));
    QApplication::setApplicationName(QStringLiteral("Kestro"));
    QApplication::setApplicationVersion(QString::fromStdString(kestroVersion()));
    // The installed desktop entry's name, so the desktop matches the window to its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kestro.Kestro"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Frames phone screen recordings in device frames."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A movie to open at start."));
    QCommandLineOption frameOption(
        QStringLiteral("frame"),
        QStringLiteral("Frame preset to select at start (\"auto\": a Pro model)."),
        QStringLiteral("key"));
    QCommandLineOption shotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Save the window to this PNG once shown, then quit."),
        QStringLiteral("path"));
    QCommandLineOption midExportOption(
        QStringLiteral("screenshot-mid-export"),
        QStringLiteral("With --screenshot: save the window while an export of the movie runs."));
    QCommandLineOption failureOption(
        QStringLiteral("screenshot-export-failure"),
        QStringLiteral("With --screenshot: save the window after an export of the movie failed."));
    QCommandLineOption appStoreShotOption(
        QStringLiteral("screenshot-app-store"),
        QStringLiteral("With --screenshot: choose an App Store preview first."));
    QCommandLineOption canvasShotOption(
        QStringLiteral("screenshot-canvas"),
        QStringLiteral("With --screenshot: put the device on a 16:9 gradient canvas first."));
    QCommandLineOption transparentMp4ShotOption(
        QStringLiteral("screenshot-transparent-mp4"),
        QStringLiteral("With --screenshot: choose an MP4 over the transparent background first."));
    QCommandLineOption recordingFailureShotOption(
        QStringLiteral("screenshot-recording-failure"),
        QStringLiteral("With --screenshot: record from the first device and save the window "
                       "once the recording has failed."));
    QCommandLineOption captionShotOption(
        QStringLiteral("screenshot-caption"),
        QStringLiteral("With --screenshot: show this caption over the first 3 s, with the "
                       "playhead at 1 s (repeatable: bottom, top, centre in turn)."),
        QStringLiteral("text"));
    QCommandLineOption zoomShotOption(
        QStringLiteral("screenshot-zoom"),
        QStringLiteral("With --screenshot: add a zoom at 1 s of the movie and show it there."));
    QCommandLineOption fileMenuShotOption(
        QStringLiteral("screenshot-file-menu"),
        QStringLiteral("With --screenshot: save the window with its File menu open."));
    QCommandLineOption tapsShotOption(
        QStringLiteral("screenshot-taps"),
        QStringLiteral("With --screenshot: add a tap at 1 s, in orange, and show it with the "
                       "Taps card in view."));
    QCommandLineOption darkOption(
        QStringLiteral("dark"),
        QStringLiteral("Use the dark appearance for this run (the saved preference is kept)."));
    parser.addOptions({frameOption, shotOption, midExportOption, failureOption, appStoreShotOption,
                       canvasShotOption, transparentMp4ShotOption, recordingFailureShotOption,
                       captionShotOption, zoomShotOption, fileMenuShotOption, tapsShotOption,
                       darkOption});
    parser.process(app);

    auto state = std::make_unique<EditorState>();
    EditorState* s = state.get();
    if (parser.isSet(darkOption)) s->setDarkModeForThisRun(true);
    Palette::apply(app, s->isDarkMode());
    // Screenshots that export write into a scratch folder, removed on the way out; the failing
    // one writes into a folder inside it that does not exist.
    QTemporaryDir scratch;
    const bool shooting = parser.isSet(shotOption);
    const bool midExport = shooting && parser.isSet(midExportOption);
    const bool failure = shooting && parser.isSet(failureOption);
    const bool recordingFailure = shooting && parser.isSet(recordingFailureShotOption);
    const bool fileMenu = shooting && parser.isSet(fileMenuShotOption);
    PrintedAlerts printedAlerts;
    if (recordingFailure) s->setAlertPresenter(&printedAlerts);
    ScratchExportDialogs scratchDialogs(failure ? scratch.filePath(QStringLiteral("missing/folder"))
                                                : scratch.path());
    ContentView::Services services;
    if (midExport || failure || recordingFailure) services.dialogs = &scratchDialogs;
    MainWindow window(std::move(state), std::move(services));
    QObject::connect(&app, &QCoreApplication::aboutToQuit, s, &EditorState::onWillTerminate);
    window.placeOnScreen();
    window.show();

    if (parser.isSet(frameOption)) {
        const QString key = parser.value(frameOption) == QStringLiteral("auto")
                                ? autoFrameKey()
                                : parser.value(frameOption);
        s->frame().setFramePreset(key);
    }
    const QStringList files = parser.positionalArguments();
    const bool project = !files.isEmpty() && files.front().endsWith(QStringLiteral(".kestro"));
    if (project) window.projects().openPath(files.front());
    const bool loading = !files.isEmpty() && !project && s->playback().loadVideo(files.front());
    // A run that crashed left its unsaved project behind: offered back once the window shows.
    if (!shooting) QTimer::singleShot(0, &window, [&window] { window.projects().offerRecovery(); });
    // The screenshots' choices are saved in the screenshot's own settings folder.
    if (shooting && parser.isSet(appStoreShotOption)) s->exportChoices().setAppStorePreview(true);
    if (shooting && parser.isSet(transparentMp4ShotOption)) {
        s->exportChoices().setOutputFormat(ExportFormat::mp4);
        s->exportChoices().setExportBackground(ExportBackground::transparent);
    }
    if (shooting && parser.isSet(canvasShotOption)) {
        CanvasChoices canvas = s->exportChoices().canvasChoices();
        canvas.aspect = CanvasAspect::wide16x9;
        canvas.pattern = BackgroundFill::gradient(FillColour{0.23, 0.25, 0.85, 1},
                                                  FillColour{0.07, 0.71, 0.79, 1}, 135);
        s->exportChoices().setCanvasChoices(canvas);
    }
    if (shooting && parser.isSet(captionShotOption)) {
        StoryText story;
        const CaptionPosition positions[] = {CaptionPosition::bottom, CaptionPosition::top,
                                             CaptionPosition::centre};
        for (const QString& text : parser.values(captionShotOption)) {
            Caption caption;
            caption.end = 3;
            caption.text = text.toStdString();
            caption.position = positions[story.captions.size() % 3];
            story.captions.push_back(caption);
        }
        s->story().replace(std::move(story), QString(), false);
        QObject::connect(&s->playback(), &PlaybackSession::playerChanged, &window,
                         [s](PlayerHandle* player) {
                             if (player) s->playback().seekToTime(1, true);
                         });
    }

    if (shooting && parser.isSet(zoomShotOption)) {
        QObject::connect(&s->playback(), &PlaybackSession::durationChanged, &window,
                         [s, &window](double duration) {
                             if (duration < 1.5 || !s->camera().track().empty()) return;
                             if (!s->camera().addAt(1.0)) return;
                             s->camera().setScale(0, 2.5);
                             s->camera().setFocus(0, 0.5, 0.3);
                             // Once the player has settled on its first picture.
                             QTimer::singleShot(400, &window,
                                                [s] { s->playback().seekToTime(1.0, true); });
                         });
    }
    if (shooting && parser.isSet(tapsShotOption)) {
        QObject::connect(&s->playback(), &PlaybackSession::durationChanged, &window,
                         [s, &window](double duration) {
                             if (duration < 1.5) return;
                             // Once the movie's own touches (none here) have been read.
                             QTimer::singleShot(400, &window, [s, &window] {
                                 const PlayerHandle* player = s->playback().player();
                                 if (!player) return;
                                 const QSize size = player->videoSize();
                                 s->setTouchTrack(withTap(s->touchTrack(), 1.0,
                                                          size.width() * 0.5,
                                                          size.height() * 0.35));
                                 s->setTapStyle(TapStyle{true, 14, Rgba{255, 140, 20, 255}, 0.7});
                                 s->playback().seekToTime(1.05, true);
                                 ContentView& content = window.content();
                                 content.sectionScroll()->ensureWidgetVisible(
                                     content.tapsSection(), 0, 12);
                             });
                         });
    }
    if (shooting) {
        const QString path = parser.value(shotOption);
        // Let the layout settle and the first pictures arrive; give up waiting after 6 s.
        auto* deadline = new QTimer(&window);
        deadline->setSingleShot(true);
        const auto shoot = [&window, path, midExport, failure, recordingFailure, fileMenu] {
            if (fileMenu)
                saveScreenshot(window, path, screenshotFileMenu);
            else if (recordingFailure)
                screenshotRecordingFailure(window, path);
            else if (midExport)
                screenshotMidExport(window, path);
            else if (failure)
                screenshotExportFailure(window, path);
            else
                saveScreenshot(window, path);
        };
        QObject::connect(deadline, &QTimer::timeout, &window, shoot);
        if (loading) {
            // The movie is opened off the interface thread; its player arrives later.
            QObject::connect(&s->playback(), &PlaybackSession::playerChanged, &window,
                             [&window, deadline, shoot](PlayerHandle* player) {
                                 if (!player) return;
                                 QObject::connect(player, &PlayerHandle::frameReady, &window,
                                                  [&window, deadline, shoot] {
                                                      if (!deadline->isActive()) return;
                                                      deadline->stop();
                                                      QTimer::singleShot(1200, &window, shoot);
                                                  });
                             });
            deadline->start(6000);
        } else {
            deadline->start(800);
        }
    }
    const int code = app.exec();
    // Jobs still running on the pool (a preview picture, a movie being opened) end first.
    BackgroundTasks::waitForAll();
    return code;
}
