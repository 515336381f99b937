// Editor state: start values, the two preferences, the appearance and disappearance reactions,
// and the frame preset effects (including the queued placement reset).

#include "app/editor/editor_state.hpp"
#include "app_fixtures.hpp"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kestro {
namespace {

using test::FakeBackend;
using test::loadAndWait;
using test::drainEvents;

class EditorStateTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings("Kestro", "Kestro").clear(); }
    std::unique_ptr<EditorState> make() {
        auto backend = std::make_unique<FakeBackend>();
        backend_ = backend.get();
        return std::make_unique<EditorState>(std::move(backend));
    }
    FakeBackend* backend_ = nullptr;
};

TEST_F(EditorStateTest, StartsWithTheDocumentedValues) {
    auto s = make();
    EXPECT_FALSE(s->isDarkMode());
    EXPECT_EQ(s->customSaveLocationPath(), "");
    EXPECT_FALSE(s->customSaveLocation());
    EXPECT_EQ(s->recordingState(), RecordingState::idle);
    EXPECT_EQ(s->simAvailability(), SimulatorAvailability::noBootedSimulators);
    EXPECT_TRUE(s->availableDevices().empty());
    EXPECT_FALSE(s->simulatorDevice());
    EXPECT_FALSE(s->selectedDeviceId());
    EXPECT_FALSE(s->recordingPath());
    EXPECT_FALSE(s->videoPath());
    EXPECT_EQ(s->player(), nullptr);
    EXPECT_FALSE(s->hasTimeObserver());
    EXPECT_EQ(s->playerItemObserverCount(), 0);
    EXPECT_EQ(s->framePreset(), "");
    EXPECT_EQ(s->frameImage(), nullptr);
    EXPECT_EQ(s->screenRect(), (ScreenRect{0, 0, 100, 100}));
    EXPECT_EQ(s->scale(), 120);
    EXPECT_EQ(s->offsetX(), 0);
    EXPECT_EQ(s->offsetY(), 0);
    EXPECT_EQ(s->duration(), 0);
    EXPECT_EQ(s->trimStart(), 0);
    EXPECT_EQ(s->trimEnd(), 0);
    EXPECT_FALSE(s->isPlaying());
    EXPECT_EQ(s->currentTime(), 0);
    EXPECT_EQ(s->outputFormat(), ExportFormat::mp4);
    EXPECT_EQ(s->selectedExportResolution(), ExportResolution::hd720p);
    EXPECT_EQ(s->exportBackground(), ExportBackground::black);
    EXPECT_EQ(s->customBackgroundColor(), QColor(0, 0, 0, 255));
    EXPECT_FALSE(s->exporting());
    EXPECT_EQ(s->exportProgressText(), "");
    EXPECT_FALSE(s->exportCancelRequested());
    EXPECT_EQ(s->exportProgress(), 0);
    EXPECT_FALSE(s->showExportSuccess());
    EXPECT_EQ(s->exportSuccessMessage(), "");
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), 0.46153846153846156);
}

TEST_F(EditorStateTest, PreferencesAreStoredUnderTheirKeysAndReadBackByTheNextEditor) {
    {
        auto s = make();
        s->setDarkMode(true);
        s->setCustomSaveLocationPath("/somewhere/recordings");
    }
    QSettings settings("Kestro", "Kestro");
    EXPECT_TRUE(settings.value("isDarkMode").toBool());
    EXPECT_EQ(settings.value("customSaveLocationPath").toString(), "/somewhere/recordings");
    auto again = make();
    EXPECT_TRUE(again->isDarkMode());
    EXPECT_EQ(again->customSaveLocationPath(), "/somewhere/recordings");
}

TEST_F(EditorStateTest, AnAppearanceChosenForOneRunLeavesTheStoredPreferenceAlone) {
    {
        auto s = make();
        int changes = 0;
        QObject::connect(s.get(), &EditorState::isDarkModeChanged, [&] { ++changes; });
        s->setDarkModeForThisRun(true);
        EXPECT_TRUE(s->isDarkMode());
        EXPECT_EQ(changes, 1);
    }
    EXPECT_FALSE(make()->isDarkMode());
}

TEST_F(EditorStateTest, AppearanceKeepsAnExistingFolderAndForgetsAMissingOneOrAFile) {
    QTemporaryDir dir;
    {
        auto s = make();
        s->setCustomSaveLocationPath(dir.path());
        int appeared = 0;
        QObject::connect(s.get(), &EditorState::appeared, [&] { ++appeared; });
        s->onAppear();
        EXPECT_EQ(appeared, 1);
        ASSERT_TRUE(s->customSaveLocation());
        EXPECT_EQ(*s->customSaveLocation(), dir.path());
    }
    const QString file = dir.filePath("not-a-folder");
    QFile(file).open(QIODevice::WriteOnly);
    for (const QString& stale : {dir.filePath("deleted"), file}) {
        auto s = make();
        s->setCustomSaveLocationPath(stale);
        s->onAppear();
        EXPECT_FALSE(s->customSaveLocation()) << stale.toStdString();
        EXPECT_EQ(s->customSaveLocationPath(), "");
        EXPECT_EQ(QSettings("Kestro", "Kestro").value("customSaveLocationPath").toString(), "");
    }
}

TEST_F(EditorStateTest, CancelFlagIsAnAtomicReadableWhileSet) {
    auto s = make();
    const std::atomic<bool>& flag = s->exportCancelFlag();
    s->setExportCancelRequested(true);
    bool seen = false;
    std::thread reader([&] { seen = flag.load(); });
    reader.join();
    EXPECT_TRUE(seen);
}

// --- Frame presets ---------------------------------------------------------------------------

TEST_F(EditorStateTest, ApplyingAPresetLoadsTheTrimmedFrameOffTheInterfaceThreadThenResets) {
    auto s = make();
    s->setFramePreset(test::kProKey);
    // Nothing is decoded on the interface thread: the choice returns before the image exists.
    EXPECT_TRUE(s->frameLoading());
    EXPECT_EQ(s->frameImage(), nullptr);
    EXPECT_EQ(s->scale(), 120);
    test::waitForFrame(*s);
    ASSERT_NE(s->frameImage(), nullptr);
    // The 4-pixel transparent border is trimmed away.
    EXPECT_EQ(s->frameImage()->width, 100);
    EXPECT_EQ(s->frameImage()->height, 200);
    // Opening: columns 10..89, 20 rows above and 30 below; y is the bottom margin.
    EXPECT_EQ(s->screenRect(), (ScreenRect{10, 15, 80, 75}));
    EXPECT_EQ(s->scale(), 100);
    EXPECT_EQ(s->offsetX(), 0);
    EXPECT_EQ(s->offsetY(), 0);
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), 0.5);
}

TEST_F(EditorStateTest, TheLastChosenFrameWinsOverALoadStillRunning) {
    auto s = make();
    s->setFramePreset(test::kProKey);
    s->setFramePreset(test::kOpaqueKey);
    test::waitForFrame(*s);
    QTest::qWait(50);  // the first load's result, if it were to land late
    ASSERT_NE(s->frameImage(), nullptr);
    EXPECT_EQ(s->frameImage()->width, 60);
    EXPECT_EQ(s->framePreset(), test::kOpaqueKey);
    EXPECT_EQ(s->screenRect(), kDefaultScreenRect);
}

TEST_F(EditorStateTest, AnEditorGoingAwayDuringALoadIsNotCalledBack) {
    for (int i = 0; i < 5; ++i) {
        auto s = make();
        s->setFramePreset(test::kProKey);
    }
    QTest::qWait(100);  // results of the loads are dropped, not delivered to freed editors
}

TEST_F(EditorStateTest, AFrameWithoutAnOpeningNearItsCentreUsesTheDefaultRectangle) {
    auto s = make();
    s->setFramePreset(test::kOpaqueKey);
    test::waitForFrame(*s);
    ASSERT_NE(s->frameImage(), nullptr);
    EXPECT_EQ(s->screenRect(), kDefaultScreenRect);
    drainEvents();
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), 0.5);
}

TEST_F(EditorStateTest, AnUnreadableFrameKeepsTheDefaultRectangleAndLeavesThePlacement) {
    auto s = make();
    s->setFramePreset(test::kProKey);
    test::waitForFrame(*s);
    drainEvents();
    ASSERT_NE(s->frameImage(), nullptr);
    s->setFramePreset(test::kBrokenKey);
    test::waitForFrame(*s);
    drainEvents();
    EXPECT_EQ(s->frameImage(), nullptr);
    EXPECT_EQ(s->screenRect(), kDefaultScreenRect);
    EXPECT_EQ(s->scale(), 100);
    // No reset ran, so the ratio of the previous frame stays.
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), 0.5);
}

TEST_F(EditorStateTest, UnknownKeysAndThePromptEntryChangeNothing) {
    auto s = make();
    s->setFramePreset(test::kProKey);
    test::waitForFrame(*s);
    drainEvents();
    const auto image = s->frameImage();
    for (const QString& key : {QString(), QString("Frames/no-such-frame")}) {
        s->setFramePreset(key);
        test::waitForFrame(*s);
        drainEvents();
        EXPECT_EQ(s->frameImage(), image);
        EXPECT_EQ(s->screenRect(), (ScreenRect{10, 15, 80, 75}));
    }
}

TEST_F(EditorStateTest, WithoutAFrameTheStageTakesTheMoviesUprightRatioOrTheDefault) {
    auto s = make();
    QTemporaryDir dir;
    const QString movie = dir.filePath("m.mov");
    QFile(movie).open(QIODevice::WriteOnly);
    backend_->movies[movie.toStdString()] = {MovieFacts{true, true, 4.0}, std::nullopt, 1920, 1080};
    ASSERT_TRUE(loadAndWait(*s, movie));
    // Loading a movie leaves the stage alone.
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), EditorState::kDefaultStageAspectRatio);
    EXPECT_EQ(s->scale(), 120);
    s->resetPlacement();
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), 1920.0 / 1080.0);
    s->clearVideo();
    s->resetPlacement();
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), EditorState::kDefaultStageAspectRatio);
}

}  // namespace
}  // namespace kestro
