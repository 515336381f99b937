// The recording workflow against the stand-in xcrun and adb: discovery, the compact card while no
// tool exists, the recordings folder, Start/Stop/Reset, and the import after Stop.

#include "app/editor/recording_workflow.hpp"
#include "app/editor/editor_state.hpp"
#include "app/editor/settings_file.hpp"
#include "app/sections/recording_section.hpp"
#include "app/ui/elided_label.hpp"
#include "app/ui/menu_picker.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/status_indicator.hpp"
#include "app/ui/symbol_button.hpp"
#include "app/ui/warning_banner.hpp"
#include "app_fixtures.hpp"
#include "core/capture/fake_adb_env.hpp"
#include "core/capture/fake_xcrun_env.hpp"
#include "core/platform.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace kestro {
namespace {

using test::FakeBackend;
using test::RecordingAlerts;
using test::ScriptedWorkflowDialogs;
using test::waitUntilDone;
using testing::deviceLine;
using testing::FakeXcrun;
using testing::kUdid15;
using testing::kUdidAir;

void touch(const QString& path, qint64 secondsAgo) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("movie");
    f.close();
    const QDateTime when = QDateTime::currentDateTime().addSecs(-secondsAgo);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
}

class RecordingWorkflowTest : public ::testing::Test {
protected:
    void SetUp() override {
        openSettings().clear();
        state = std::make_unique<EditorState>(std::make_unique<FakeBackend>());
        state->setAlertPresenter(&alerts);
        bootTwo();
    }
    void TearDown() override {
        section.reset();
        workflow.reset();
        state.reset();
    }

    void bootTwo() {
        fake.setListing("== Devices ==\n-- iOS 17.5 --\n" + deviceLine("iPhone 15", kUdid15) +
                        deviceLine("iPad Air", kUdidAir));
    }
    void make(std::vector<std::string> launchers = {FakeXcrun::launcher()}) {
        section.reset();
        workflow = std::make_unique<RecordingWorkflow>(*state, &dialogs, std::move(launchers));
        section = std::make_unique<RecordingSection>(*workflow);
    }
    // The window appears and the device list is in.
    void appear() {
        state->onAppear();
        settle();
    }
    std::string noXcrun() const { return (fake.dir() / "no-such-xcrun").string(); }
    // Start pressed, the save panel answered with `name` in `out`.
    void start(const QString& name) {
        dialogs.recordingFile = out.filePath(name);
        workflow->beginRecording();
        settle();
    }
    void waitForStop() {
        ASSERT_TRUE(waitUntilDone([&] { return !workflow->stopping(); }, 15000));
    }

    // Discovery and the start run off the interface thread: wait for their answers.
    void settle() {
        ASSERT_TRUE(
            waitUntilDone([&] { return !workflow->refreshing() && !workflow->starting(); }));
    }

    FakeXcrun fake;
    RecordingAlerts alerts;
    ScriptedWorkflowDialogs dialogs;
    QTemporaryDir out;
    std::unique_ptr<EditorState> state;
    std::unique_ptr<RecordingWorkflow> workflow;
    std::unique_ptr<RecordingSection> section;
};

TEST_F(RecordingWorkflowTest, EachAvailabilityHasItsBannerAndItsAlertAndStartStaysShut) {
    struct Case {
        SimulatorAvailability expected;
        std::vector<std::string> launchers;
    };
    const std::vector<Case> cases = {
        {SimulatorAvailability::xcodeMissing, {noXcrun()}},
        {SimulatorAvailability::simctlUnavailable, {fake.unstartableLauncher()}},
        {SimulatorAvailability::noBootedSimulators, {FakeXcrun::launcher()}},
    };
    fake.setListing("== Devices ==\n");
    QStringList texts;  // each availability says why in its own words
    for (const Case& c : cases) {
        alerts.titles.clear();
        make(c.launchers);
        appear();
        EXPECT_EQ(workflow->simulatorAvailability(), c.expected);
        // No adb here: only a missing xcrun leaves nothing to record with at all.
        EXPECT_EQ(section->isCompact(), c.expected == SimulatorAvailability::xcodeMissing);
        EXPECT_FALSE(section->banner()->isHidden());
        // No adb here either: both hints are shown (a missing Xcode only where it could be).
        EXPECT_EQ(section->banner()->message().contains(availabilityMessage(c.expected)),
                  platform::kIsMacOS || c.expected != SimulatorAvailability::xcodeMissing);
        EXPECT_TRUE(section->banner()->message().contains("adb"));
        EXPECT_FALSE(section->startButton()->isEnabled());
        // Start is disabled; should it be reached anyway, the alert explains why.
        workflow->beginRecording();
        settle();
        EXPECT_EQ(alerts.titles, QStringList{availabilityAlert(c.expected)->title});
        EXPECT_TRUE(dialogs.proposedRecordingNames.isEmpty());
        texts << alerts.titles << availabilityMessage(c.expected);
    }
    texts.removeDuplicates();
    EXPECT_EQ(texts.size(), 6);
    // Booting a simulator and refreshing hides the banner and enables Start.
    bootTwo();
    workflow->refreshDevices();
    settle();
    EXPECT_EQ(workflow->simulatorAvailability(), SimulatorAvailability::available);
    EXPECT_FALSE(section->isCompact());
    EXPECT_TRUE(section->banner()->isHidden());
    EXPECT_TRUE(section->startButton()->isEnabled());
}

TEST_F(RecordingWorkflowTest, TheChosenFolderIsRememberedWhileItExistsAndOffersTheSavePanel) {
    make();
    QTemporaryDir dir;
    const QString folder = dir.filePath("takes");
    QDir().mkdir(folder);
    dialogs.recordingsFolder = folder;
    workflow->chooseSaveLocation();
    EXPECT_EQ(section->folderName()->text(), "takes");
    EXPECT_FALSE(section->resetFolderButton()->isHidden());
    // The next window finds it again, checked when it appears and not before.
    make();
    EXPECT_FALSE(workflow->saveLocation());
    appear();
    EXPECT_EQ(workflow->saveLocation(), folder);

    dialogs.recordingFile.reset();  // the user cancels the save panel
    workflow->beginRecording();
    settle();
    ASSERT_EQ(dialogs.recordingStartFolders.size(), 1u);
    EXPECT_EQ(dialogs.recordingStartFolders[0], folder);
    EXPECT_TRUE(
        QRegularExpression("^kestro-recording_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.mp4$")
            .match(dialogs.proposedRecordingNames[0])
            .hasMatch());
    EXPECT_EQ(recordingFileName(QDateTime(QDate(2025, 1, 31), QTime(14, 5, 9))),
              "kestro-recording_2025-01-31_14-05-09.mp4");
    EXPECT_EQ(workflow->recordingState(), RecordingState::idle);
    EXPECT_FALSE(workflow->recordingPath());

    // Cancelling the folder panel changes nothing; Reset forgets the folder, for good.
    dialogs.recordingsFolder.reset();
    workflow->chooseSaveLocation();
    EXPECT_EQ(workflow->saveLocation(), folder);
    workflow->clearSaveLocation();
    EXPECT_FALSE(workflow->saveLocation());
    EXPECT_EQ(section->folderDetail()->text(), "(" + defaultRecordingsFolder() + ")");
    EXPECT_TRUE(section->resetFolderButton()->isHidden());
    workflow->beginRecording();
    settle();
    EXPECT_FALSE(dialogs.recordingStartFolders.back());
    make();
    appear();
    EXPECT_FALSE(workflow->saveLocation());

    // A remembered folder deleted since, or replaced by a file, is forgotten.
    for (bool byFile : {false, true}) {
        dialogs.recordingsFolder = folder;
        workflow->chooseSaveLocation();
        QDir(folder).removeRecursively();
        if (byFile) {
            QFile plain(folder);
            ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
        }
        make();
        appear();
        EXPECT_FALSE(workflow->saveLocation()) << byFile;
        EXPECT_TRUE(section->folderName()->isHidden());
        QFile::remove(folder);
        QDir().mkdir(folder);
    }
}

TEST_F(RecordingWorkflowTest, StartStopTheImportOneSecondLaterAndResetDuringARecording) {
    make();
    appear();
    const QString movie = out.filePath("take.mp4");
    start("take.mp4");
    ASSERT_TRUE(alerts.titles.isEmpty()) << alerts.messages.join(";").toStdString();
    EXPECT_EQ(workflow->recordingState(), RecordingState::recording);
    EXPECT_EQ(workflow->recordingPath(), movie);
    EXPECT_TRUE(section->startButton()->isHidden());
    EXPECT_FALSE(section->stopButton()->isHidden());
    EXPECT_FALSE(section->recordingRow()->isHidden());
    EXPECT_EQ(section->recordingPathLabel()->text(), movie);
    ASSERT_TRUE(fake.waitForLogLine("call 8"));

    // The stop waits for the simulator on another thread: the loop keeps running meanwhile,
    // and the recording controls are shut until it is done.
    workflow->endRecording();
    EXPECT_TRUE(workflow->stopping());
    EXPECT_FALSE(section->stopButton()->isEnabled());
    EXPECT_FALSE(section->resetButton()->isEnabled());
    EXPECT_EQ(workflow->recordingState(), RecordingState::recording);
    waitForStop();
    QElapsedTimer sinceStop;
    sinceStop.start();
    EXPECT_EQ(section->status()->state(), RecordingState::recorded);
    EXPECT_TRUE(fake.logHas("signal INT"));
    EXPECT_GT(QFileInfo(movie).size(), 0);
    EXPECT_TRUE(section->resetButton()->isEnabled());
    EXPECT_FALSE(section->startButton()->isHidden());
    EXPECT_FALSE(section->recordingRow()->isHidden());  // the path stays until Reset

    ASSERT_TRUE(waitUntilDone([&] { return state->playback().videoPath().has_value(); }, 5000));
    EXPECT_GE(sinceStop.elapsed(), 900);
    EXPECT_EQ(state->playback().videoPath(), movie);

    workflow->resetRecording();
    EXPECT_EQ(workflow->recordingState(), RecordingState::idle);
    EXPECT_FALSE(workflow->recordingPath());
    EXPECT_TRUE(section->recordingRow()->isHidden());

    // A reset while recording stops the simulator, and nothing is imported after it.
    state->playback().clearVideo();
    std::filesystem::remove(fake.log());
    start("second.mp4");
    ASSERT_EQ(workflow->recordingState(), RecordingState::recording);
    ASSERT_TRUE(fake.waitForLogLine("call 8"));
    workflow->resetRecording();
    waitForStop();
    EXPECT_TRUE(fake.logHas("signal INT"));
    EXPECT_EQ(workflow->recordingState(), RecordingState::idle);
    EXPECT_FALSE(workflow->recordingPath());
    EXPECT_FALSE(section->startButton()->isHidden());
    QTest::qWait(300);
    EXPECT_FALSE(state->playback().videoPath());

    // The chosen simulator shuts down after the last refresh: the recorder's text, no change.
    fake.setListing("== Devices ==\n-- iOS 17.5 --\n" + deviceLine("iPad Air", kUdidAir));
    start("third.mp4");
    ASSERT_EQ(alerts.titles, QStringList{"Recording Failed"});
    EXPECT_TRUE(alerts.messages[0].contains("iPhone 15") || alerts.messages[0].contains(kUdid15))
        << alerts.messages[0].toStdString();
    EXPECT_EQ(workflow->recordingState(), RecordingState::idle);
    EXPECT_FALSE(workflow->recordingPath());
}

// A stop that leaves no movie is a failure that says why, not a green "Recorded"; a movie
// finished under another name is found beside it, but never one from before the recording.
TEST_F(RecordingWorkflowTest, AStopWithoutAMovieFailsAndOnlyAMovieFromThisRecordingLoads) {
    make();
    appear();
    touch(out.filePath("older.mp4"), 600);
    fake.setMode("no-file");
    start("take.mp4");
    ASSERT_EQ(workflow->recordingState(), RecordingState::recording);
    ASSERT_TRUE(fake.waitForLogLine("call 8"));
    workflow->endRecording();
    waitForStop();
    EXPECT_EQ(workflow->recordingState(), RecordingState::idle);
    EXPECT_NE(section->status()->state(), RecordingState::recorded);
    EXPECT_FALSE(workflow->recordingPath());
    EXPECT_TRUE(workflow->recordingFailure().contains("take.mp4"))
        << workflow->recordingFailure().toStdString();
    EXPECT_EQ(alerts.titles, QStringList{"Recording Failed"});
    EXPECT_FALSE(section->failureBanner()->isHidden());
    QTest::qWait(300);
    test::waitForMovie(*state);
    EXPECT_FALSE(state->playback().videoPath());

    // The next start clears the failure; a movie written under another name during the
    // recording is the one imported.
    start("second.mp4");
    EXPECT_TRUE(workflow->recordingFailure().isEmpty());
    EXPECT_TRUE(section->failureBanner()->isHidden());
    ASSERT_TRUE(fake.waitForLogLine("call 8"));
    touch(out.filePath("renamed.mp4"), 0);
    workflow->endRecording();
    waitForStop();
    EXPECT_EQ(workflow->recordingState(), RecordingState::recorded);
    ASSERT_TRUE(waitUntilDone([&] { return state->playback().videoPath().has_value(); }, 5000));
    EXPECT_TRUE(state->playback().videoPath()->endsWith("/renamed.mp4"));

    // Without a recording nothing beside a missing file is taken.
    state->playback().clearVideo();
    RecordingWorkflow fresh(*state, &dialogs, {FakeXcrun::launcher()});
    fresh.importRecording(out.filePath("never-written.mp4"));
    test::waitForMovie(*state);
    EXPECT_FALSE(state->playback().videoPath());
}

// An Android phone played by the adb stand-in, beside the simulators.
class AndroidWorkflowTest : public RecordingWorkflowTest {
protected:
    void makeWithPhone(std::vector<std::string> launchers = {FakeXcrun::launcher()}) {
        make(std::move(launchers));
        AndroidRecorder::Timing timing;
        timing.startCheck = std::chrono::milliseconds(800);
        workflow->setAndroidRecorder(std::make_unique<AndroidRecorder>(
            std::vector<std::string>{testing::FakeAdb::program()}, timing));
    }
    testing::FakeAdb adb;
};

TEST_F(AndroidWorkflowTest, SimulatorsAndPhonesAreListedTogetherEachWithItsKind) {
    adb.setListing(
        "List of devices attached\nAAA unauthorized transport_id:1\n"
        "FAKE0001 device model:Pixel_8_Pro transport_id:2\n");
    makeWithPhone();
    appear();
    ASSERT_EQ(workflow->availableDevices().size(), 4u);
    EXPECT_EQ(workflow->selectedDeviceId(), QString(kUdid15));
    QStringList titles;
    for (QAction* action : section->devicePicker()->menu()->actions()) titles << action->text();
    EXPECT_EQ(titles,
              (QStringList{"iPhone 15 \u2014 Simulator", "iPad Air \u2014 Simulator",
                           "AAA \u2014 Android, unauthorized", "Pixel 8 Pro \u2014 Android"}));
    // A device that waits for the user cannot be started.
    workflow->selectDevice(QString("AAA"));
    EXPECT_FALSE(section->startButton()->isEnabled());
    workflow->selectDevice(QString("FAKE0001"));
    EXPECT_TRUE(section->startButton()->isEnabled());
    EXPECT_EQ(section->devicePicker()->text(), "Pixel 8 Pro \u2014 Android");
    // A choice that names no device shuts Start; a refresh picks the first booted one again.
    workflow->selectDevice(QString("not-a-device"));
    EXPECT_EQ(workflow->selectedDeviceId(), QString("not-a-device"));
    EXPECT_FALSE(workflow->selectedDevice());
    EXPECT_FALSE(section->startButton()->isEnabled());
    workflow->refreshDevices();
    settle();
    EXPECT_EQ(workflow->selectedDevice()->id(), QString(kUdid15));

    // On a machine without Xcode the phone alone is enough: no banner, Start open.
    makeWithPhone({noXcrun()});
    appear();
    EXPECT_EQ(workflow->selectedDevice()->id(), "FAKE0001");
    EXPECT_TRUE(section->banner()->isHidden());
    EXPECT_TRUE(section->startButton()->isEnabled());
}

TEST_F(AndroidWorkflowTest, WithoutAnyToolTheCardIsCompactUntilAToolIsInstalled) {
    // adb is "installed" later at this path, while the window is open.
    const std::filesystem::path adbPath = adb.dir() / "bin" / "adb";
    make({noXcrun()});
    workflow->setAndroidRecorder(
        std::make_unique<AndroidRecorder>(std::vector<std::string>{adbPath.string()}));
    // Until the tools are looked for, the full card: a missing tool is not assumed.
    EXPECT_FALSE(section->isCompact());
    section->show();
    appear();
    EXPECT_TRUE(section->isCompact());
    EXPECT_TRUE(section->installHintLabel()->isVisible());
    EXPECT_FALSE(section->startButton()->isVisible());
    // The compact card is shorter than the full one it stands in for.
    const int compactHeight = section->sizeHint().height();

    // Coming back to the window looks again; with nothing installed it stays compact.
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_TRUE(workflow->refreshing());
    settle();
    EXPECT_TRUE(section->isCompact());

    adb.setListing("List of devices attached\nFAKE0001 device model:Pixel_8 transport_id:2\n");
    std::filesystem::create_directories(adbPath.parent_path());
    std::filesystem::create_symlink(testing::FakeAdb::program(), adbPath);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    settle();
    EXPECT_FALSE(section->isCompact());
    EXPECT_TRUE(section->startButton()->isVisible());
    EXPECT_TRUE(section->startButton()->isEnabled());
    EXPECT_EQ(section->devicePicker()->text(), "Pixel 8 \u2014 Android");
    EXPECT_GT(section->sizeHint().height(), compactHeight);

    // With a tool present, coming back leaves the list and the choice alone.
    workflow->selectDevice(std::nullopt);
    emit qApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_FALSE(workflow->refreshing());
    EXPECT_FALSE(workflow->selectedDevice());

    // Gone again: the compact card's own button looks again.
    std::filesystem::remove(adbPath);
    section->refreshButton()->click();
    settle();
    EXPECT_TRUE(section->isCompact());
    std::filesystem::create_symlink(testing::FakeAdb::program(), adbPath);
    section->compactRefreshButton()->click();
    settle();
    EXPECT_FALSE(section->isCompact());
}

TEST_F(AndroidWorkflowTest, APhoneIsRecordedWithTheSavedSwitchesRestoredOrRefusesWithAReason) {
    adb.putSetting("global.sysui_demo_allowed", "0");
    makeWithPhone({noXcrun()});
    section->cleanStatusBarBox()->click();
    section->showTouchesBox()->click();
    appear();

    const QString movie = out.filePath("phone.mp4");
    start("phone.mp4");
    ASSERT_TRUE(alerts.titles.isEmpty()) << alerts.messages.join(";").toStdString();
    EXPECT_EQ(workflow->recordingState(), RecordingState::recording);
    EXPECT_EQ(adb.setting("global.sysui_demo_allowed"), "1");
    EXPECT_EQ(adb.setting("system.show_touches"), "1");
    EXPECT_FALSE(section->cleanStatusBarBox()->isEnabled());

    workflow->endRecording();
    waitForStop();
    EXPECT_EQ(workflow->recordingState(), RecordingState::recorded);
    EXPECT_EQ(adb.setting("global.sysui_demo_allowed"), "0");
    EXPECT_EQ(adb.setting("system.show_touches"), std::nullopt);
    EXPECT_GT(QFileInfo(movie).size(), 0);
    ASSERT_TRUE(waitUntilDone([&] { return state->playback().videoPath().has_value(); }, 5000));
    EXPECT_EQ(state->playback().videoPath(), movie);

    {  // A new workflow reads the switches back.
        RecordingWorkflow again(*state, &dialogs, {FakeXcrun::launcher()});
        EXPECT_TRUE(again.cleanStatusBar());
        EXPECT_TRUE(again.showTouches());
    }

    // A phone that refuses: the reason and what might help, and no file.
    workflow->resetRecording();
    adb.setMode("refuse");
    start("refused.mp4");
    ASSERT_EQ(alerts.titles, QStringList{"Recording Failed"});
    EXPECT_TRUE(alerts.messages[0].contains("secure display")) << alerts.messages[0].toStdString();
    EXPECT_TRUE(alerts.messages[0].contains("protected content"));
    EXPECT_EQ(workflow->recordingState(), RecordingState::idle);
    EXPECT_FALSE(QFileInfo::exists(out.filePath("refused.mp4")));

    // Quitting stops a running recording, keeps its movie and puts the settings back.
    adb.setMode("normal");
    adb.putSetting("system.show_touches", "0");
    start("quit.mp4");
    ASSERT_EQ(workflow->recordingState(), RecordingState::recording);
    ASSERT_EQ(adb.setting("system.show_touches"), "1");
    workflow->shutdown();  // what quitting the application calls
    EXPECT_FALSE(workflow->androidRecorder().isRecording());
    EXPECT_EQ(adb.setting("system.show_touches"), "0");
    EXPECT_TRUE(adb.phoneMovies().empty());
    EXPECT_GT(QFileInfo(out.filePath("quit.mp4")).size(), 0);
}

}  // namespace
}  // namespace kestro
