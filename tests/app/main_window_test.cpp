// The desktop window around the editor: it fits a laptop screen with the export button in view,
// the keyboard drives playback and trimming, files dropped on it open with the import's checks,
// recent movies are remembered, and closing during an export asks first.

#include "app/window/main_window.hpp"
#include "app/editor/editor_state.hpp"
#include "app/editor/recent_files.hpp"
#include "app/editor/recording_workflow.hpp"
#include "app/preview/preview_stage_view.hpp"
#include "app/preview/preview_view.hpp"
#include "app/preview/timeline_section_view.hpp"
#include "app/editor/settings_file.hpp"
#include "app/sections/export_progress_area.hpp"
#include "app/sections/export_section.hpp"
#include "app/sections/frame_preset_picker.hpp"
#include "app/ui/focus_ring.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/round_icon_button.hpp"
#include "app_fixtures.hpp"
#include "core/capture/fake_xcrun_env.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFileOpenEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace kestro {
namespace {

using test::FakeBackend;
using test::loadAndWait;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        openSettings().clear();
        // Closing the window under test must not end the shared application.
        QApplication::setQuitOnLastWindowClosed(false);
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override {
        window.reset();
        Palette::setCurrent(false);
    }

    void open(ExportWorkflow::Engine engine = {}) {
        auto backend = std::make_unique<FakeBackend>();
        backend_ = backend.get();
        auto state = std::make_unique<EditorState>(std::move(backend));
        state->setAlertPresenter(&alerts);
        state->setFileDialogs(&files);
        ContentView::Services services;
        services.dialogs = &dialogs;
        services.xcrunLaunchers =
            xcrun ? std::vector<std::string>{*xcrun}
                  : std::vector<std::string>{dir.filePath("no-xcrun").toStdString()};
        services.engine = std::move(engine);
        window = std::make_unique<MainWindow>(std::move(state), std::move(services));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    EditorState& state() { return window->state(); }
    QString file(const QString& name) { return test::writeFile(dir.filePath(name)); }
    QAction* action(const char* name) {
        return window->findChild<QAction*>(QString::fromLatin1(name));
    }
    void key(int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(window.get(), Qt::Key(k), mods);
        test::drainEvents();
    }
    void drop(QWidget* target, const QString& path) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        test::drainEvents();  // the window starts the load on the next turn of the loop
        test::waitForMovie(state());
    }

    QTemporaryDir dir;
    test::RecordingAlerts alerts;
    test::ScriptedDialogs files;
    test::ScriptedWorkflowDialogs dialogs;
    FakeBackend* backend_ = nullptr;
    std::optional<std::string> xcrun;  // the simulator tool the window finds; none: no tool
    std::unique_ptr<MainWindow> window;
};

// A laptop screen of 1366 x 768 with a 32-point top panel, and a title bar of 38.
constexpr QRect kLaptop{0, 32, 1366, 736};
constexpr QMargins kTitleBar{1, 38, 1, 1};

TEST(WindowPlacement, TheFirstWindowFitsTheRoomTheScreenLeaves) {
    for (const QRect& available : {kLaptop, QRect(0, 0, 1920, 1080), QRect(1920, 0, 2560, 1400)}) {
        const QRect g = MainWindow::initialGeometry(available, kTitleBar);
        EXPECT_TRUE(available.contains(g.marginsAdded(kTitleBar)))
            << g.width() << "x" << g.height();
        EXPECT_GE(g.width(), MainWindow::kMinimumSize.width());
        EXPECT_GE(g.height(), MainWindow::kMinimumSize.height());
        EXPECT_LE(g.width(), MainWindow::kDefaultSize.width());
    }
    // Roomy screens get the default size, centred.
    const QRect big = MainWindow::initialGeometry(QRect(0, 0, 1920, 1080), kTitleBar);
    EXPECT_EQ(big.size(), MainWindow::kDefaultSize);
    EXPECT_NEAR(big.center().x(), 960, 2);
    // A screen smaller than the minimum still gets a window inside it.
    const QRect tiny = MainWindow::initialGeometry(QRect(0, 0, 800, 600), kTitleBar);
    EXPECT_TRUE(QRect(0, 0, 800, 600).contains(tiny.marginsAdded(kTitleBar)));
}

TEST_F(MainWindowTest, FitsALaptopScreenWithTheExportButtonInView) {
    open();
    // What the layout needs must fit the laptop's room under the title bar.
    const QSize needed = window->minimumSizeHint().expandedTo(window->minimumSize());
    EXPECT_LE(needed.width(), kLaptop.width() - kTitleBar.left() - kTitleBar.right());
    EXPECT_LE(needed.height(), kLaptop.height() - kTitleBar.top() - kTitleBar.bottom());
    for (const QSize size :
         {MainWindow::kDefaultSize, QSize(1364, 697), MainWindow::kMinimumSize,
          MainWindow::kDefaultSize}) {
        SCOPED_TRACE(::testing::Message() << size.width() << "x" << size.height());
        window->resize(size);
        test::drainEvents();
        ModernButton* button = window->content().exportSection()->exportButton();
        const QRect inWindow(button->mapTo(window.get(), QPoint(0, 0)), button->size());
        EXPECT_TRUE(window->rect().contains(inWindow));
        EXPECT_FALSE(button->visibleRegion().isEmpty());
        // Where every session starts is in view too, without scrolling.
        EXPECT_FALSE(window->content().importButton()->visibleRegion().isEmpty());
        // Every read-out and tool of the timeline keeps the width its text needs, inside the
        // section, and none covers another.
        TimelineSectionView* timeline = window->content().timeline();
        std::vector<QRect> placed;
        for (QWidget* w : timeline->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(timeline)) continue;
            if (!qobject_cast<QLabel*>(w) && !qobject_cast<QAbstractButton*>(w) &&
                !qobject_cast<QComboBox*>(w) && !qobject_cast<QSlider*>(w))
                continue;
            SCOPED_TRACE(w->metaObject()->className() + (" " + w->objectName().toStdString()));
            // A width the widget was given outright stands for the one its text needs.
            EXPECT_GE(w->width(),
                      w->minimumWidth() > 0 ? w->minimumWidth() : w->minimumSizeHint().width());
            const QRect at(w->mapTo(timeline, QPoint(0, 0)), w->size());
            EXPECT_TRUE(timeline->rect().contains(at));
            for (const QRect& other : placed) EXPECT_FALSE(other.intersects(at));
            placed.push_back(at);
        }
    }
    // At rest on a 1366 x 768 screen, in the window it opens as, the preview has the room: the
    // device is drawn at least 400 points tall.
    ASSERT_TRUE(loadAndWait(state(), file("m.mp4")));
    state().frame().setFramePreset(test::kProKey);
    test::waitForFrame(state());
    window->resize(MainWindow::initialGeometry(QRect(0, 0, 1366, 768), QMargins()).size());
    test::drainEvents();
    ASSERT_TRUE(test::waitUntilDone(
        [&] { return !window->content().stage()->preview()->preparing(); }));
    EXPECT_GE(window->content().stage()->preview()->layout().frame.height(), 400);
}

TEST_F(MainWindowTest, TheKeyboardStepsTrimsAndPlaysOnceThereIsAMovie) {
    open();
    EXPECT_FALSE(action("playAction")->isEnabled());
    EXPECT_FALSE(action("exportAction")->isEnabled());
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_I);
    EXPECT_EQ(state().playback().currentTime(), 0);
    EXPECT_EQ(state().playback().trimStart(), 0);
    EXPECT_TRUE(alerts.titles.isEmpty());

    ASSERT_TRUE(loadAndWait(state(), file("m.mp4")));  // 10 s, no stated rate
    EXPECT_TRUE(state().playback().isPlaying());

    key(Qt::Key_Space);
    EXPECT_FALSE(state().playback().isPlaying());
    key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(state().playback().currentTime(), 2.0);
    key(Qt::Key_Right);
    EXPECT_NEAR(state().playback().currentTime(), 2.0 + 1.0 / PlaybackSession::kFallbackFrameRate,
                1e-9);
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    EXPECT_NEAR(state().playback().currentTime(), 2.0 - 1.0 / PlaybackSession::kFallbackFrameRate,
                1e-9);
    key(Qt::Key_I);
    EXPECT_NEAR(state().playback().trimStart(), state().playback().currentTime(), 1e-9);
    for (int i = 0; i < 6; ++i) key(Qt::Key_Right, Qt::ShiftModifier);
    key(Qt::Key_O);
    EXPECT_NEAR(state().playback().trimEnd(), state().playback().currentTime(), 1e-9);
    key(Qt::Key_Home);
    EXPECT_DOUBLE_EQ(state().playback().currentTime(), state().playback().trimStart());
    EXPECT_DOUBLE_EQ(backend_->last->currentTime(), state().playback().trimStart());
    key(Qt::Key_End);
    EXPECT_DOUBLE_EQ(state().playback().currentTime(), state().playback().trimEnd());
    // Stepping stops at the ends of the movie.
    for (int i = 0; i < 12; ++i) key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(state().playback().currentTime(), 10.0);
    for (int i = 0; i < 12; ++i) key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(state().playback().currentTime(), 0.0);
    EXPECT_FALSE(state().playback().isPlaying());

    // Marking a bound beyond the other keeps the shortest range.
    state().playback().stepBy(5);
    state().playback().setTrimEndAtPlayhead();
    EXPECT_DOUBLE_EQ(state().playback().trimEnd(), 5.0);
    state().playback().stepBy(3);  // past the end
    state().playback().setTrimStartAtPlayhead();
    EXPECT_NEAR(state().playback().trimStart(), 5.0 - PlaybackSession::kMinimumTrimRange, 1e-9);
    state().playback().goToTrimStart();
    state()
        .playback()
        .setTrimEndAtPlayhead();  // at the start: pushed to the shortest range after it
    EXPECT_NEAR(state().playback().trimEnd(),
                state().playback().trimStart() + PlaybackSession::kMinimumTrimRange, 1e-9);
    EXPECT_TRUE(window->content().exportWorkflow().hasValidTrimRange());
}

TEST_F(MainWindowTest, DroppedMoviesOpenWithTheImportChecksAndADroppedPngBecomesAFrame) {
    open();
    const QString movie = file("dropped.mov");
    drop(window.get(), movie);
    ASSERT_TRUE(state().playback().videoPath());
    EXPECT_EQ(*state().playback().videoPath(), movie);

    backend_->movies[dir.filePath("sound.m4a").toStdString()].probe = MovieFacts{true, false, 3.0};
    drop(window.get(), file("sound.m4a"));
    ASSERT_EQ(alerts.titles.size(), 1);
    EXPECT_EQ(*state().playback().videoPath(), movie);  // the refused file changed nothing
    drop(window.get(), dir.filePath("gone.mp4"));
    EXPECT_EQ(alerts.titles.size(), 2);
    EXPECT_EQ(*state().playback().videoPath(), movie);

    // A PNG dropped on the frame picker becomes a custom frame.
    alerts.titles.clear();
    FramePresetPicker* picker = window->content().framePicker();
    // The catalogue's 108 x 208 frame: trimmed and measured as frame-info does.
    const QString png = dir.filePath("My Phone.png");
    ASSERT_TRUE(
        QFile::copy(qEnvironmentVariable("KESTRO_RESOURCES") + "/" + test::kProKey + ".png", png));
    drop(picker, png);
    test::waitForFrame(state());
    ASSERT_TRUE(state().frame().frameImage());
    EXPECT_EQ(state().frame().frameImage()->width, 100);
    EXPECT_EQ(state().frame().frameImage()->height, 200);
    EXPECT_NEAR(state().frame().screenRect().x, 10, 0.6);
    EXPECT_NEAR(state().frame().screenRect().w, 80, 0.6);
    EXPECT_EQ(state().frame().customFramePath(), QFileInfo(png).absoluteFilePath());
    EXPECT_FALSE(picker->showsPrompt());
    // The export reads the same file.
    EXPECT_EQ(exportFrameImageFor(state().frame().framePreset()),
              std::filesystem::path(png.toStdString()));

    // Not a PNG inside: one alert, and the frame in use stays.
    drop(picker, test::writeFile(dir.filePath("fake.png"), "\x89PNG\r\n\x1a\n but cut short"));
    test::waitForFrame(state());
    ASSERT_EQ(alerts.titles.size(), 1);
    EXPECT_EQ(state().frame().customFramePath(), QFileInfo(png).absoluteFilePath());
    EXPECT_EQ(state().frame().frameImage()->width, 100);

    // Choosing a preset afterwards leaves the custom frame.
    state().frame().setFramePreset(test::kProKey);
    EXPECT_TRUE(state().frame().customFramePath().isEmpty());
}

TEST_F(MainWindowTest, RecentMoviesAreKeptNewestFirstWithoutGoneFiles) {
    open();
    RecentFiles& recent = window->recentFiles();
    QStringList paths;
    for (int i = 0; i < 10; ++i) paths << file(QString("m%1.mp4").arg(i));
    for (const QString& p : paths) ASSERT_TRUE(loadAndWait(state(), p));
    QStringList expected;
    for (int i = 9; i >= 2; --i) expected << paths[i];
    EXPECT_EQ(recent.entries(), expected);

    ASSERT_TRUE(loadAndWait(state(), paths[5]));  // again: moves to the top, no duplicate
    EXPECT_EQ(recent.entries().front(), paths[5]);
    EXPECT_EQ(recent.entries().count(paths[5]), 1);

    QFile::remove(paths[9]);
    EXPECT_FALSE(recent.entries().contains(paths[9]));
    // Kept across a restart, and the menu lists them.
    RecentFiles again;
    EXPECT_EQ(again.entries(), recent.entries());
    emit window->recentMenu()->aboutToShow();
    QStringList listed;
    for (QAction* a : window->recentMenu()->actions())
        if (a->data().isValid()) listed << a->data().toString();
    EXPECT_EQ(listed, recent.entries());
    // Opening one loads it.
    window->recentMenu()->actions().at(2)->trigger();
    ASSERT_TRUE(
        test::waitUntilDone([&] { return state().playback().videoPath() == listed.at(2); }));
}

// An engine that runs until it is cancelled.
ExportWorkflow::Engine runsUntilCancelled(std::atomic<bool>& sawCancel) {
    return
        [&sawCancel](
            const ExportRequest&, ExportWorkflow::ProgressHandler progress,
            ExportWorkflow::CancelQuery cancelled) -> Result<ExportedMovie, ExportError> {
            progress(0.2);
            while (!cancelled()) QThread::msleep(2);
            sawCancel = true;
            return fail(ExportError::exportCancelled());
        };
}

TEST_F(MainWindowTest, ClosingAsksOnlyDuringAnExportAndKeepsOrCancels) {
    std::atomic<bool> sawCancel{false};
    open(runsUntilCancelled(sawCancel));
    ASSERT_TRUE(loadAndWait(state(), file("m.mp4")));
    dialogs.exportDestination = dir.filePath("out.mp4");
    int asked = 0;
    MainWindow::CloseChoice answer = MainWindow::CloseChoice::keepExporting;
    window->setClosePrompt([&] {
        ++asked;
        return answer;
    });
    // Without an export closing does not ask.
    EXPECT_TRUE(window->close());
    EXPECT_EQ(asked, 0);
    window->show();

    window->content().exportWorkflow().startExport();
    const ExportWorkflow& exporter = window->content().exportWorkflow();
    ASSERT_TRUE(exporter.exporting());

    EXPECT_FALSE(window->close());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(exporter.exporting());
    EXPECT_FALSE(exporter.cancelRequested());

    answer = MainWindow::CloseChoice::cancelAndQuit;
    EXPECT_TRUE(window->close());
    EXPECT_EQ(asked, 2);
    window.reset();  // the workflow waits for the engine, which saw the cancel
    EXPECT_TRUE(sawCancel);
}

// Closing during a recording asks; kept, it goes on; confirmed, the recording is stopped and
// saved before the window goes, and the user is told where the movie is.
TEST_F(MainWindowTest, ClosingDuringARecordingAsksThenStopsSavesAndSaysWhere) {
    testing::FakeXcrun fake;
    fake.setListing("== Devices ==\n-- iOS 17.5 --\n" +
                    testing::deviceLine("iPhone 15", testing::kUdid15));
    xcrun = testing::FakeXcrun::launcher();
    open();
    RecordingWorkflow& recording = window->content().recordingWorkflow();
    ASSERT_TRUE(test::waitUntilDone(
        [&] { return !recording.refreshing() && recording.selectedDevice().has_value(); }));
    const QString movie = dir.filePath("take.mp4");
    dialogs.recordingFile = movie;
    recording.beginRecording();
    ASSERT_TRUE(test::waitUntilDone([&] { return !recording.starting(); }));
    ASSERT_EQ(recording.recordingState(), RecordingState::recording);
    ASSERT_TRUE(fake.waitForLogLine("call 8"));

    int asked = 0;
    bool stopAndClose = false;
    std::vector<std::optional<QString>> told;
    window->setRecordingClosePrompts(
        [&] {
            ++asked;
            return stopAndClose;
        },
        [&](const std::optional<QString>& saved) { told.push_back(saved); });
    EXPECT_FALSE(window->close());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(recording.recordingState(), RecordingState::recording);
    EXPECT_TRUE(told.empty());

    stopAndClose = true;
    EXPECT_TRUE(window->close());
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(fake.logHas("signal INT"));
    EXPECT_GT(QFileInfo(movie).size(), 0);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], movie);
}

TEST_F(MainWindowTest, AFailedExportIsNotShownAsASuccess) {
    open([](const ExportRequest&, ExportWorkflow::ProgressHandler,
            ExportWorkflow::CancelQuery) -> Result<ExportedMovie, ExportError> {
        return fail(ExportError::fileSystem(ExportError::kDiskFull));
    });
    ASSERT_TRUE(loadAndWait(state(), file("m.mp4")));
    dialogs.exportDestination = dir.filePath("out.mp4");
    ExportWorkflow& workflow = window->content().exportWorkflow();
    QSignalSpy finished(&workflow, &ExportWorkflow::exportFinished);
    workflow.startExport();
    ASSERT_TRUE(finished.wait(5000));
    ExportProgressArea* area = window->content().exportSection()->progressArea();
    EXPECT_TRUE(area->isVisible());
    EXPECT_EQ(workflow.lastOutcome(), ExportOutcome::failed);
    EXPECT_NE(area->iconSymbol(), QStringLiteral("checkmark.circle.fill"));
    EXPECT_NE(area->iconColor(), Palette::current().success);
}

// macOS hands a movie opened from the Finder to the application as an event.
TEST_F(MainWindowTest, AMovieOpenedFromTheFinderLoadsLikeADrop) {
    open();
    const QString movie = file("finder.mp4");
    QFileOpenEvent opened(movie);
    QCoreApplication::sendEvent(qApp, &opened);
    test::drainEvents();
    test::waitForMovie(state());
    ASSERT_TRUE(state().playback().videoPath());
    EXPECT_EQ(*state().playback().videoPath(), movie);
}

// macOS puts every item whose text looks like Quit, About or Settings into its application
// menu unless told otherwise; a recent movie named "Settings…" must stay in the File menu.
TEST_F(MainWindowTest, OnlyQuitAndAboutClaimASystemMenuRole) {
    open();
    QFile named(dir.filePath(QStringLiteral("Settings….mp4")));
    ASSERT_TRUE(named.open(QIODevice::WriteOnly));
    named.close();
    window->recentFiles().add(named.fileName());
    emit window->recentMenu()->aboutToShow();
    // Every item of the menu bar, through its submenus.
    QList<QAction*> items;
    QList<QMenu*> menus;
    for (QAction* top : window->menuBar()->actions())
        if (top->menu()) menus << top->menu();
    while (!menus.isEmpty()) {
        for (QAction* a : menus.takeFirst()->actions()) {
            if (a->menu())
                menus << a->menu();
            else if (!a->isSeparator())
                items << a;
        }
    }
    int checked = 0;
    for (QAction* a : items) {
        const QString name = a->objectName();
        const QAction::MenuRole expected = name == QLatin1String("quitAction")    ? QAction::QuitRole
                                           : name == QLatin1String("aboutAction") ? QAction::AboutRole
                                                                                  : QAction::NoRole;
        EXPECT_EQ(a->menuRole(), expected) << a->text().toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 15);
    // Full screen takes the system's keys, never a fixed F11 where the system says otherwise.
    const auto standard = QKeySequence::keyBindings(QKeySequence::FullScreen);
    if (!standard.isEmpty()) {
        EXPECT_EQ(action("fullScreenAction")->shortcuts(), standard);
    }
    EXPECT_FALSE(action("fullScreenAction")->shortcuts().isEmpty());
}

// With a button's focus ring showing, Space presses the button rather than playing, also when
// the key arrives marked as a keypad key (as the arrows do on macOS).
TEST_F(MainWindowTest, KeysMarkedAsKeypadKeysStillGoToAFocusedControl) {
    open();
    ASSERT_TRUE(loadAndWait(state(), file("m.mp4")));
    key(Qt::Key_Space);
    ASSERT_FALSE(state().playback().isPlaying());
    ModernButton* button = window->content().exportSection()->exportButton();
    ASSERT_TRUE(button->isVisible());
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(showsFocusRing(*button));
    QSignalSpy pressed(button, &QAbstractButton::pressed);
    QTest::keyClick(button, Qt::Key_Space, Qt::KeypadModifier);
    test::drainEvents();
    EXPECT_FALSE(state().playback().isPlaying());
    EXPECT_EQ(pressed.count(), 1);
}

TEST_F(MainWindowTest, AFocusRingShowsForKeyboardFocusOnly) {
    open();
    ModernButton* import = window->content().importButton();
    import->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(showsFocusRing(*import));
    QTest::mouseClick(window->content().appearanceButton(), Qt::LeftButton);
    import->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(showsFocusRing(*import));
}

}  // namespace
}  // namespace kestro
