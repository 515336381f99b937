// The export workflow: when exporting is possible, the request built from the editor state, the
// stage texts, a real export end to end on a tiny movie, cancelling, failures and the clears.

#include "app/editor/export_workflow.hpp"
#include "app/editor/editor_state.hpp"
#include "app/editor/settings_file.hpp"
#include "app_fixtures.hpp"
#include "core/export/canvas_size.hpp"
#include "support/movie_fixtures.hpp"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <limits>

namespace kestro {
namespace {

using test::FakeBackend;
using test::loadAndWait;
using test::ScriptedWorkflowDialogs;
using test::waitUntilDone;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The stage texts in their order, then the success text.
QStringList stagesThenSuccess() {
    QStringList texts;
    for (double p : {0.0, 0.1, 0.3, 0.7, 0.95}) texts << exportStageText(p);
    return texts << "Export completed successfully!";
}

TEST(ExportBackgroundRecord, FixedChoicesIgnoreTheCustomColour) {
    for (const auto& [choice, fill] :
         {std::pair{ExportBackground::transparent, BackgroundFill::color(0, 0, 0, 0)},
          std::pair{ExportBackground::white, BackgroundFill::color(1, 1, 1, 1)},
          std::pair{ExportBackground::black, BackgroundFill::color(0, 0, 0, 1)}})
        EXPECT_EQ(buildExportBackground(choice, Qt::red), fill);
}

class ExportWorkflowTest : public ::testing::Test {
protected:
    void SetUp() override {
        openSettings().clear();
        ASSERT_TRUE(dir.isValid());
    }

    // An editor with the scripted player and source.mp4 loaded as a movie `seconds` long; a
    // stand-in file is written unless a real one is there.
    std::unique_ptr<EditorState> loadedEditor(double seconds = 10) {
        auto backend = std::make_unique<FakeBackend>();
        const QString movie = dir.filePath("source.mp4");
        backend->movies[movie.toStdString()].probe = MovieFacts{true, true, seconds};
        if (QFile standIn(movie); !QFileInfo::exists(movie)) {
            EXPECT_TRUE(standIn.open(QIODevice::WriteOnly));
        }
        auto s = std::make_unique<EditorState>(std::move(backend));
        EXPECT_TRUE(loadAndWait(*s, movie));
        return s;
    }

    QTemporaryDir dir;
    ScriptedWorkflowDialogs dialogs;
};

TEST_F(ExportWorkflowTest, RequestCarriesTheEditorsChoicesAndAFrameOnlyWhenOneIsUsable) {
    auto s = loadedEditor();
    s->exportChoices().setOutputFormat(ExportFormat::mov);
    s->exportChoices().setExportBackground(ExportBackground::custom);
    // A colour picked in another model arrives as RGB components.
    s->exportChoices().setCustomBackgroundColor(QColor::fromHsvF(2.0f / 3, 1, 1, 0.5f));
    s->playback().setTrimStart(1.5);
    s->playback().setTrimEnd(7.25);

    // Before any frame: the recording at its own size (100 %) and a canvas of its own shape
    // (not a 16:9 strip cut out of a portrait recording).
    ExportRequest before = buildExportRequest(*s, "/tmp/out.mov");
    EXPECT_EQ(before.config.format, ExportFormat::mov);
    EXPECT_EQ(before.config.width, 1280);
    const QSize recording = s->playback().player()->videoSize();
    EXPECT_EQ(before.config.height,
              canvasHeightForFrame(1280, recording.width(), recording.height()));
    EXPECT_DOUBLE_EQ(before.config.scale, 1.0);
    EXPECT_FALSE(before.frame);
    // A preset whose file is not a PNG, or a key that names none: no frame, the whole screen.
    s->frame().setFramePreset(test::kBrokenKey);
    test::waitForFrame(*s);
    ExportRequest broken = buildExportRequest(*s, "/tmp/out.mov");
    EXPECT_FALSE(broken.frame);
    EXPECT_EQ(broken.config.height, before.config.height);
    EXPECT_EQ(broken.config.screen, (ScreenRect{0, 0, 100, 100}));
    EXPECT_FALSE(exportFrameImageFor("Frames/no_such_phone_portrait"));

    s->frame().setFramePreset(test::kProKey);
    test::waitForFrame(*s);  // and the queued placement reset
    s->exportChoices().setSelectedExportResolution(ExportResolution::hd1080p);
    const ExportRequest r = buildExportRequest(*s, "/tmp/out.mov");
    EXPECT_EQ(r.input, dir.filePath("source.mp4").toStdString());
    EXPECT_EQ(r.output, "/tmp/out.mov");
    // The very image the preview shows, not a second decoding of its file.
    ASSERT_TRUE(r.frame);
    EXPECT_EQ(r.frame, s->frame().frameImage());
    // The trimmed frame is 100 x 200: the canvas takes its aspect at the resolution's width.
    EXPECT_EQ(r.config.width, 1920);
    EXPECT_EQ(r.config.height, 3840);
    EXPECT_EQ(r.config.trimStart, 1.5);
    EXPECT_EQ(r.config.trimEnd, 7.25);
    EXPECT_EQ(r.config.screen, s->frame().screenRect());
    EXPECT_DOUBLE_EQ(r.config.scale, 1.0);
    EXPECT_EQ(r.config.fitMode, VideoFitMode::fill);
    ASSERT_TRUE(r.config.background.asColour());
    const FillColour& b = *r.config.background.asColour();
    for (auto [read, want] : {std::pair{b.red, 0.0}, {b.green, 0.0}, {b.blue, 1.0}, {b.alpha, 0.5}})
        EXPECT_NEAR(read, want, 1e-3);

    // "No frame" takes the frame out of the export as it takes it out of the preview.
    s->frame().setFramePreset(QString());
    const ExportRequest bare = buildExportRequest(*s, "/tmp/out.mov");
    EXPECT_FALSE(bare.frame);
    EXPECT_EQ(bare.config.screen, (ScreenRect{0, 0, 100, 100}));
    EXPECT_EQ(bare.config.height,
              canvasHeightForFrame(1920, recording.width(), recording.height()));
}

TEST_F(ExportWorkflowTest, AnAppStorePreviewIsRequestedFramelessAtTheStoreSizeOverTheColour) {
    auto s = loadedEditor(20);  // long enough for the store, so the request reaches the engine
    s->frame().setFramePreset(test::kProKey);
    test::waitForFrame(*s);
    s->exportChoices().setOutputFormat(ExportFormat::mov);
    s->exportChoices().setExportBackground(ExportBackground::white);
    CanvasChoices canvas = s->exportChoices().canvasChoices();
    canvas.aspect = CanvasAspect::wide16x9;
    canvas.shadow = true;
    canvas.pattern = BackgroundFill::gradient({0, 0, 0, 1}, {1, 1, 1, 1});
    s->exportChoices().setCanvasChoices(canvas);
    s->exportChoices().setExportQuality(ExportQuality::draft);
    s->exportChoices().setExportFrameRate(24);
    s->exportChoices().setAppStorePreview(true);
    s->exportChoices().setAppStorePreset(AppStorePreset::ipad);

    std::optional<ExportRequest> seen;
    ExportWorkflow w(
        *s, &dialogs,
        [&](const ExportRequest& r, auto, auto) -> Result<ExportedMovie, ExportError> {
            seen = r;
            return ExportedMovie(r.output);
        });
    dialogs.exportDestination = dir.filePath("preview.mp4");
    w.startExport();
    ASSERT_TRUE(waitUntilDone([&] { return !w.exporting(); }));
    ASSERT_TRUE(seen);
    const ExportConfig& c = seen->config;
    EXPECT_TRUE(dialogs.proposedExportNames.front().endsWith(".mp4"));
    EXPECT_FALSE(seen->frame);
    EXPECT_EQ(c.appStore, AppStorePreset::ipad);
    EXPECT_EQ(c.format, ExportFormat::mp4);
    const QSize recording = s->playback().player()->videoSize();
    const PresetSize size =
        appStorePreviewSize(AppStorePreset::ipad, recording.width() > recording.height());
    EXPECT_EQ(c.width, size.width);
    EXPECT_EQ(c.height, size.height);
    // The colour, not the gradient; no shadow; the quality and rate as chosen.
    EXPECT_EQ(c.background, BackgroundFill::white());
    EXPECT_FALSE(c.shadow);
    EXPECT_EQ(c.quality, ExportQuality::draft);
    EXPECT_EQ(c.fps, 24);

    // Off again: the frame, the shape and the gradient are back as they were.
    s->exportChoices().setAppStorePreview(false);
    const ExportRequest framed = buildExportRequest(*s, "/tmp/framed.mov");
    EXPECT_EQ(framed.frame, s->frame().frameImage());
    EXPECT_EQ(framed.config.format, ExportFormat::mov);
    EXPECT_TRUE(framed.config.background.asGradient());
    EXPECT_TRUE(framed.config.shadow);
    EXPECT_EQ(framed.config.width * 9, framed.config.height * 16);
}

TEST_F(ExportWorkflowTest, NothingHappensWithoutAMovieAValidRangeOrADestination) {
    int engineCalls = 0;
    auto engine = [&](const ExportRequest& r, auto,
                      auto) -> Result<ExportedMovie, ExportError> {
        ++engineCalls;
        return ExportedMovie(r.output);
    };
    EditorState empty(std::make_unique<FakeBackend>());
    ExportWorkflow noMovie(empty, &dialogs, engine);
    noMovie.startExport();
    EXPECT_TRUE(dialogs.proposedExportNames.isEmpty());

    auto s = loadedEditor();
    ExportWorkflow w(*s, &dialogs, engine);
    s->playback().setTrimStart(5);
    s->playback().setTrimEnd(5);
    w.startExport();
    EXPECT_TRUE(dialogs.proposedExportNames.isEmpty());

    s->playback().setTrimStart(0);
    s->exportChoices().setOutputFormat(ExportFormat::mov);
    dialogs.exportDestination.reset();  // the user cancels the save panel
    w.startExport();
    EXPECT_EQ(dialogs.proposedExportNames, QStringList{"kestro-output.mov"});
    EXPECT_FALSE(w.exporting());
    EXPECT_EQ(w.progressText(), "");
    test::drainEvents();
    EXPECT_EQ(engineCalls, 0);
}

TEST_F(ExportWorkflowTest, EngineProgressBecomesStageTextsAndFailuresShowTheirDescription) {
    test::RecordingAlerts alerts;
    auto s = loadedEditor();
    s->setAlertPresenter(&alerts);
    std::optional<ExportError> error;
    std::vector<std::string> warnings;
    const auto engine =
        [&error, &warnings](const ExportRequest& r, ExportWorkflow::ProgressHandler progress,
                            ExportWorkflow::CancelQuery) -> Result<ExportedMovie, ExportError> {
        for (double p : {0.05, 0.2, 0.5, 0.8, 1.0}) progress(p);
        if (error) return fail(*error);
        ExportedMovie movie(r.output);
        movie.warnings = warnings;
        return movie;
    };
    ExportWorkflow w(*s, &dialogs, engine);
    w.setClearDelays(std::chrono::milliseconds(100), std::chrono::milliseconds(400));
    dialogs.exportDestination = dir.filePath("a.mp4");
    QSignalSpy finished(&w, &ExportWorkflow::exportFinished);
    // Progress reported on the engine's thread becomes stage texts on the interface thread.
    QStringList texts;
    QObject::connect(&w, &ExportWorkflow::progressTextChanged, [&](const QString& t) {
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        texts << t;
    });
    w.startExport();
    EXPECT_TRUE(w.exporting());
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(texts, stagesThenSuccess());
    EXPECT_EQ(exportStageText(kNaN), exportStageText(1.0));  // progress that is no number completes
    EXPECT_DOUBLE_EQ(w.progress(), 1.0);
    // The success clear empties the text and the progress.
    ASSERT_TRUE(waitUntilDone([&] { return w.progressText().isEmpty(); }, 3000));
    EXPECT_EQ(w.progress(), 0);

    error = ExportError::fileSystem(ExportError::kDiskFull);
    w.startExport();
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_FALSE(finished.back().front().toBool());
    EXPECT_EQ(w.lastOutcome(), ExportOutcome::failed);
    EXPECT_FALSE(w.exporting());
    EXPECT_TRUE(w.progressText().startsWith("Export failed: "));
    EXPECT_TRUE(w.progressText().contains(ExportError::kDiskFull));
    EXPECT_EQ(w.progress(), 0);
    EXPECT_EQ(dialogs.successPaths.size(), 1);  // the first export's only
    EXPECT_TRUE(alerts.messages.isEmpty());
    // Still there after the success delay; gone after the failure delay.
    QTest::qWait(200);
    EXPECT_FALSE(w.progressText().isEmpty());
    ASSERT_TRUE(waitUntilDone([&] { return w.progressText().isEmpty(); }, 3000));

    // A rule of the target broken in the engine is an alert too.
    error = ExportError::targetRequirement("too big");
    w.startExport();
    ASSERT_TRUE(finished.wait(5000));
    ASSERT_EQ(alerts.messages.size(), 1);
    EXPECT_TRUE(alerts.messages.front().contains("too big"));
    EXPECT_EQ(w.lastOutcome(), ExportOutcome::failed);

    // A success the user should know more about (the sound was lost) says so in an alert.
    error.reset();
    warnings = {"The sound was lost."};
    w.startExport();
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_EQ(w.lastOutcome(), ExportOutcome::succeeded);
    EXPECT_EQ(w.lastWarnings(), QStringList{"The sound was lost."});
    ASSERT_EQ(alerts.messages.size(), 2);
    EXPECT_TRUE(alerts.messages.back().contains("The sound was lost."));
}

// The real engine on a movie made for the test (the editor's player stays scripted): a cancel
// leaves no file and no failure; the next export writes the file, reports and reveals its path.
TEST_F(ExportWorkflowTest, TheRealEngineCancelsCleanlyThenWritesAndRevealsTheFile) {
    test::MovieShape recipe;
    recipe.fps = 15;
    recipe.audio = true;
    ASSERT_FALSE(test::makeMovie(dir.filePath("source.mp4").toStdString(), recipe).empty());
    auto state = loadedEditor(1.0);
    ExportWorkflow workflow(*state, &dialogs);
    workflow.setClearDelays(std::chrono::milliseconds(300), std::chrono::milliseconds(300));
    QSignalSpy succeeded(&workflow, &ExportWorkflow::exportSucceeded);
    QSignalSpy finished(&workflow, &ExportWorkflow::exportFinished);

    const QString cancelled = dir.filePath("cancelled.mp4");
    dialogs.exportDestination = cancelled;
    workflow.startExport();
    ASSERT_TRUE(workflow.exporting());
    workflow.requestExportCancel();
    EXPECT_TRUE(workflow.cancelRequested());
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_FALSE(finished.front().front().toBool());
    // A cancel is no failure, and does not say it is one.
    EXPECT_EQ(workflow.progressText(),
              QString::fromStdString(ExportError::exportCancelled().errorDescription()));
    EXPECT_FALSE(QFileInfo::exists(cancelled));
    EXPECT_FALSE(workflow.exporting());
    ASSERT_TRUE(waitUntilDone([&] { return workflow.progressText().isEmpty(); }, 3000));

    // The next export starts with the flag down again.
    const QString output = dir.filePath("framed.mp4");
    dialogs.exportDestination = output;
    QStringList texts;
    QObject::connect(&workflow, &ExportWorkflow::progressTextChanged,
                     [&](const QString& t) { texts << t; });
    workflow.startExport();
    EXPECT_FALSE(workflow.cancelRequested());
    ASSERT_TRUE(finished.wait(120000));
    ASSERT_TRUE(finished.back().front().toBool()) << workflow.progressText().toStdString();
    EXPECT_GT(QFileInfo(output).size(), 1000);
    // The path travels as itself, never inside a sentence to be taken apart again.
    ASSERT_EQ(succeeded.size(), 1);
    EXPECT_EQ(succeeded.front().front().toString(), output);
    EXPECT_EQ(workflow.lastOutputPath(), output);
    // Stage texts only move forward, from preparing to the result.
    ASSERT_GE(texts.size(), 2);
    const QStringList stages = stagesThenSuccess();
    EXPECT_EQ(texts.front(), stages.front());
    EXPECT_EQ(texts.back(), stages.back());
    for (int i = 1; i < texts.size(); ++i)
        EXPECT_LE(stages.indexOf(texts[i - 1]), stages.indexOf(texts[i]))
            << texts.join(" | ").toStdString();

    // The alert names the file; its reveal button shows that file.
    EXPECT_EQ(dialogs.successPaths, QStringList{output});
    EXPECT_TRUE(workflow.successShown());
    dialogs.successReveal();
    EXPECT_EQ(dialogs.revealed, QStringList{output});
    EXPECT_FALSE(workflow.successShown());
}

}  // namespace
}  // namespace kestro
