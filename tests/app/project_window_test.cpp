// Projects in the window: Save writes what the editor shows and Open brings it back, the title
// carries the project's name and the unsaved mark, closing asks about unsaved changes, and the
// recovery copy of a crashed run is offered back.

#include "app/editor/editor_state.hpp"
#include "app/editor/project_session.hpp"
#include "app/editor/recent_files.hpp"
#include "app/editor/settings_file.hpp"
#include "app/window/main_window.hpp"
#include "app/window/project_commands.hpp"
#include "app_fixtures.hpp"
#include "core/capture/child_process.hpp"
#include "core/project/project_file.hpp"
#include "support/movie_fixtures.hpp"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <signal.h>

#include <fstream>

namespace kestro {
namespace {

using test::FakeBackend;
using test::loadAndWait;
using Choice = ProjectCommands::UnsavedChoice;

class ProjectWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        openSettings().clear();
        QApplication::setQuitOnLastWindowClosed(false);
        ASSERT_TRUE(dir.isValid());
        qputenv("KESTRO_RECOVERY_FILE", dir.filePath("recovery.kestro").toUtf8());
    }
    void TearDown() override {
        window.reset();
        qunsetenv("KESTRO_RECOVERY_FILE");
    }

    void open() {
        window.reset();
        auto state = std::make_unique<EditorState>(std::make_unique<FakeBackend>());
        state->setAlertPresenter(&alerts);
        state->setFileDialogs(&files);
        ContentView::Services services;
        services.dialogs = &dialogs;
        services.xcrunLaunchers = std::vector<std::string>{dir.filePath("no-xcrun").toStdString()};
        window = std::make_unique<MainWindow>(std::move(state), std::move(services));
        ProjectCommands::Prompts prompts;
        prompts.chooseOpenFile = [this] { return openAnswer; };
        prompts.chooseSaveFile = [this](const QString&) { return saveAnswer; };
        prompts.askUnsaved = [this](const QString&) {
            ++askedUnsaved;
            return unsavedAnswer;
        };
        prompts.askRestore = [this] { return restoreAnswer; };
        prompts.showError = [this](const QString&, const QString& message) { errors << message; };
        window->projects().setPrompts(prompts);
        window->show();
    }
    EditorState& state() { return window->state(); }
    ProjectCommands& projects() { return window->projects(); }
    void trigger(const char* name) {
        QAction* a = window->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
        test::drainEvents();
    }

    QTemporaryDir dir;
    test::RecordingAlerts alerts;
    test::ScriptedDialogs files;
    test::ScriptedWorkflowDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    std::optional<QString> openAnswer, saveAnswer;
    Choice unsavedAnswer = Choice::cancel;
    int askedUnsaved = 0;
    bool restoreAnswer = true;
    QStringList errors;
};

TEST_F(ProjectWindowTest, SaveThenOpenBringsTheEditBackWithTheTitleAndItsMark) {
    open();
    const QString movie = test::writeFile(dir.filePath("clip.mp4"));
    ASSERT_TRUE(loadAndWait(state(), movie));
    state().playback().setTrimEnd(state().playback().duration() - 1);
    state().playback().setTrimStart(1);
    state().frame().setFrameOrientation(FrameOrientation::landscape);
    CanvasChoices canvas = state().exportChoices().canvasChoices();
    canvas.aspect = CanvasAspect::square1x1;
    canvas.paddingPercent = 12;
    state().exportChoices().setCanvasChoices(canvas);
    // The tracks edited in the lanes travel with the project too.
    ASSERT_TRUE(state().camera().addAt(2));
    ASSERT_TRUE(state().speedTrack().add(SpeedSegment{1.5, 2.5, 4}));
    ASSERT_TRUE(state().story().addCaption(0.5, QStringLiteral("Hello"), nullptr));
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(window->windowTitle().startsWith("Untitled"));

    saveAnswer = dir.filePath("demo");  // the extension is added
    trigger("saveProjectAction");
    const QString saved = dir.filePath("demo.kestro");
    ASSERT_TRUE(QFile::exists(saved)) << errors.join("; ").toStdString();
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(window->windowTitle(), ProjectCommands::titleFor("demo"));
    EXPECT_TRUE(window->recentFiles().entries().contains(saved));

    // A key written by something else survives the editor's save.
    auto document = nlohmann::json::parse(test::fileContents(saved.toStdString()));
    EXPECT_EQ(document["recording"], "clip.mp4");
    document["reviewNote"] = "keep me";
    std::ofstream(saved.toStdString()) << document.dump();

    // Opened in a fresh window, the edit is as it was; a change marks it again.
    open();
    openAnswer = saved;
    trigger("openAction");
    ASSERT_TRUE(test::waitUntilDone([&] {
        return state().playback().videoPath() == movie && !state().playback().movieLoading();
    }));
    ASSERT_TRUE(test::waitUntilDone([&] { return state().playback().trimStart() == 1; }));
    EXPECT_DOUBLE_EQ(state().playback().trimEnd(), state().playback().duration() - 1);
    EXPECT_EQ(state().frame().frameOrientation(), FrameOrientation::landscape);
    EXPECT_EQ(state().exportChoices().canvasChoices().aspect, CanvasAspect::square1x1);
    EXPECT_EQ(state().exportChoices().canvasChoices().paddingPercent, 12);
    ASSERT_EQ(state().camera().track().size(), 1u);
    EXPECT_EQ(state().speedTrack().segments(), (SpeedTrack{SpeedSegment{1.5, 2.5, 4}}));
    ASSERT_EQ(state().story().text().captions.size(), 1u);
    EXPECT_EQ(state().story().text().captions[0].text, "Hello");
    EXPECT_FALSE(state().history().stack().canUndo());  // opening is not an edit
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_EQ(projects().session().path(), saved);

    state().playback().setTrimStart(1.5);
    EXPECT_TRUE(window->isWindowModified());
    trigger("saveProjectAction");  // Ctrl+S on a project with a file: no panel
    EXPECT_FALSE(window->isWindowModified());
    document = nlohmann::json::parse(test::fileContents(saved.toStdString()));
    EXPECT_EQ(document["trim"]["start"], 1.5);
    EXPECT_EQ(document["reviewNote"], "keep me");
}

TEST_F(ProjectWindowTest, ClosingWithUnsavedChangesAsksAndDoesWhatItIsTold) {
    open();
    ASSERT_TRUE(loadAndWait(state(), test::writeFile(dir.filePath("clip.mp4"))));
    saveAnswer = dir.filePath("p.kestro");
    trigger("saveProjectAsAction");
    ASSERT_FALSE(window->isWindowModified());
    EXPECT_TRUE(window->close());  // nothing unsaved: no question
    EXPECT_EQ(askedUnsaved, 0);
    window->show();

    state().playback().setTrimStart(0.5);
    unsavedAnswer = Choice::cancel;
    EXPECT_FALSE(window->close());
    EXPECT_EQ(askedUnsaved, 1);
    EXPECT_TRUE(window->isVisible());

    unsavedAnswer = Choice::save;
    EXPECT_TRUE(window->close());
    auto reopened = loadProject(dir.filePath("p.kestro").toStdString());
    ASSERT_TRUE(reopened) << reopened.error().describe();
    EXPECT_DOUBLE_EQ(reopened->trimStart, 0.5);

    // New asks as well; discarding leaves the file as it was saved.
    window->show();
    state().playback().setTrimStart(0.75);
    unsavedAnswer = Choice::discard;
    trigger("newProjectAction");
    EXPECT_EQ(askedUnsaved, 3);
    EXPECT_FALSE(state().playback().videoPath());
    EXPECT_EQ(window->windowTitle(), ProjectCommands::titleFor("Untitled"));
    EXPECT_DOUBLE_EQ(loadProject(dir.filePath("p.kestro").toStdString())->trimStart, 0.5);
}

// A movie opened on its own, never saved as a project: only opened (or edited back to how it
// came) it has no unsaved mark and closes without a question; edited, it is marked and asked
// about like a project, and saving then asks where the new project goes.
TEST_F(ProjectWindowTest, AnEditedMovieNeverSavedAsAProjectAsksBeforeClosing) {
    open();
    ASSERT_TRUE(loadAndWait(state(), test::writeFile(dir.filePath("clip.mp4"))));
    ASSERT_TRUE(test::waitUntilDone([&] { return !state().frame().frameLoading(); }));
    test::drainEvents();
    EXPECT_FALSE(window->isWindowModified());  // the mark goes with the question
    EXPECT_TRUE(window->close());
    EXPECT_EQ(askedUnsaved, 0);
    window->show();

    state().playback().setTrimStart(0.5);
    EXPECT_TRUE(window->isWindowModified());
    unsavedAnswer = Choice::cancel;
    EXPECT_FALSE(window->close());
    EXPECT_EQ(askedUnsaved, 1);
    EXPECT_TRUE(window->isVisible());

    state().playback().setTrimStart(0);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(askedUnsaved, 1);
    window->show();

    state().playback().setTrimStart(0.25);
    unsavedAnswer = Choice::save;
    saveAnswer = dir.filePath("clip.kestro");
    EXPECT_TRUE(window->close());
    EXPECT_EQ(askedUnsaved, 2);
    auto saved = loadProject(dir.filePath("clip.kestro").toStdString());
    ASSERT_TRUE(saved) << saved.error().describe();
    EXPECT_DOUBLE_EQ(saved->trimStart, 0.25);
}

TEST_F(ProjectWindowTest, AKilledAppsUnsavedProjectIsOfferedBackAtTheNextStart) {
    // The real application, editing a real movie, is killed once it has written its recovery
    // copy.
    const QString movie = QString::fromStdString(
        test::makeMovie(dir.filePath("rec.mp4").toStdString(), {.width = 64, .height = 128, .seconds = 2}).string());
    const QString recovery = dir.filePath("recovery.kestro");
    qputenv("KESTRO_RECOVERY_INTERVAL_MS", "100");
    qputenv("KESTRO_SETTINGS", dir.filePath("child-settings.ini").toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    auto child = ChildProcess::spawn(SpawnRequest{KESTRO_APP, {movie.toStdString()}, ChildStream::collect,
                                                  ChildStream::collect});
    qunsetenv("KESTRO_RECOVERY_INTERVAL_MS");
    qunsetenv("KESTRO_SETTINGS");
    ASSERT_TRUE(child) << child.error().description;
    const bool written = test::waitUntilDone([&] { return QFile::exists(recovery); }, 60000);
    ::kill(child->pid(), SIGKILL);
    const int status = child->waitForExit();
    ASSERT_TRUE(written) << "no recovery copy; the app ended with " << status;
    EXPECT_EQ(status, 128 + SIGKILL);

    // Declined, the copy goes.
    open();
    const QByteArray copy = test::fileContents(recovery.toStdString()).c_str();
    restoreAnswer = false;
    projects().offerRecovery();
    EXPECT_FALSE(QFile::exists(recovery));
    EXPECT_FALSE(state().playback().videoPath());

    // Accepted, the movie comes back as an unsaved project.
    QFile file(recovery);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(copy);
    file.close();
    restoreAnswer = true;
    projects().offerRecovery();
    ASSERT_TRUE(test::waitUntilDone([&] { return state().playback().videoPath() == movie; }))
        << errors.join("; ").toStdString();
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_FALSE(QFile::exists(recovery));
}

}  // namespace
}  // namespace kestro
