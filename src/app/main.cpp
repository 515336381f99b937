// Kestro's window: `kestro [FILE]` opens the editor, with FILE loaded as the movie when given.
// `--frame KEY` selects a frame preset at start ("auto": the first one with an image);
// `--dark` uses the dark appearance for this run. `--screenshot PATH` waits for the first
// picture, saves the window to PATH and quits; with `--screenshot-mid-export` it first starts an
// export of the movie into a scratch folder and saves the window while that export runs; with
// `--screenshot-export-failure` it saves the window after an export that failed (its destination
// folder does not exist).

#include "app/editor/background_task.hpp"
#include "app/editor/editor_state.hpp"
#include "app/ui/palette.hpp"
#include "app/window/main_window.hpp"
#include "app/window/qt_dialogs.hpp"
#include "core/library_versions.hpp"
#include "core/model/frame_catalog.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

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

void saveScreenshot(QWidget& window, const QString& path) {
    const bool ok = window.grab().save(path);
    std::fprintf(ok ? stdout : stderr,
                 ok ? "kestro: window saved to %s\n" : "kestro: could not write %s\n",
                 path.toLocal8Bit().constData());
    QCoreApplication::exit(ok ? 0 : 1);
}

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
    QCommandLineOption darkOption(
        QStringLiteral("dark"),
        QStringLiteral("Use the dark appearance for this run (the saved preference is kept)."));
    parser.addOptions({frameOption, shotOption, midExportOption, failureOption, appStoreShotOption,
                       canvasShotOption, darkOption});
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
    ScratchExportDialogs scratchDialogs(failure ? scratch.filePath(QStringLiteral("missing/folder"))
                                                : scratch.path());
    ContentView::Services services;
    if (midExport || failure) services.dialogs = &scratchDialogs;
    MainWindow window(std::move(state), std::move(services));
    QObject::connect(&app, &QCoreApplication::aboutToQuit, s, &EditorState::onWillTerminate);
    window.placeOnScreen();
    window.show();

    if (parser.isSet(frameOption)) {
        const QString key = parser.value(frameOption) == QStringLiteral("auto")
                                ? autoFrameKey()
                                : parser.value(frameOption);
        s->setFramePreset(key);
    }
    const QStringList files = parser.positionalArguments();
    const bool loading = !files.isEmpty() && s->loadVideo(files.front());
    // The screenshots' choices are saved in the screenshot's own settings folder.
    if (shooting && parser.isSet(appStoreShotOption)) s->setAppStorePreview(true);
    if (shooting && parser.isSet(canvasShotOption)) {
        CanvasChoices canvas = s->canvasChoices();
        canvas.aspect = CanvasAspect::wide16x9;
        canvas.pattern = BackgroundFill::gradient(FillColour{0.23, 0.25, 0.85, 1},
                                                  FillColour{0.07, 0.71, 0.79, 1}, 135);
        s->setCanvasChoices(canvas);
    }

    if (shooting) {
        const QString path = parser.value(shotOption);
        // Let the layout settle and the first pictures arrive; give up waiting after 6 s.
        auto* deadline = new QTimer(&window);
        deadline->setSingleShot(true);
        const auto shoot = [&window, path, midExport, failure] {
            if (midExport)
                screenshotMidExport(window, path);
            else if (failure)
                screenshotExportFailure(window, path);
            else
                saveScreenshot(window, path);
        };
        QObject::connect(deadline, &QTimer::timeout, &window, shoot);
        if (loading) {
            // The movie is opened off the interface thread; its player arrives later.
            QObject::connect(s, &EditorState::playerChanged, &window,
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
