// Editor state: the preferences (bad stored values falling back) and the frame preset effects.

#include "app/editor/editor_state.hpp"
#include "app/editor/background_task.hpp"
#include "app/editor/settings_file.hpp"
#include "app_fixtures.hpp"

#include <QFile>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kestro {
namespace {

using test::FakeBackend;
using test::loadAndWait;
using test::drainEvents;

class EditorStateTest : public ::testing::Test {
protected:
    void SetUp() override { openSettings().clear(); }
    std::unique_ptr<EditorState> make() {
        auto backend = std::make_unique<FakeBackend>();
        backend_ = backend.get();
        return std::make_unique<EditorState>(std::move(backend));
    }
    // A small picture to put behind the device.
    QString picture() {
        const QString path = dir.filePath("backdrop.png");
        EXPECT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(path));
        return path;
    }
    FakeBackend* backend_ = nullptr;
    QTemporaryDir dir;
};

// Every export and canvas choice set away from its default.
ExportPreferences unusualChoices(const QString& picture) {
    ExportPreferences p;
    p.format = ExportFormat::webm;
    p.appStorePreview = true;
    p.appStorePreset = AppStorePreset::ipad;
    p.quality = ExportQuality::best;
    p.frameRate = kOfferedFrameRates.back();
    p.resolution = ExportResolution::qhd1440p;
    p.background = ExportBackground::custom;
    p.customColor = QColor(10, 200, 30, 128);
    p.canvas.aspect = CanvasAspect::portrait4x5;
    p.canvas.paddingPercent = 13;
    p.canvas.shadow = false;
    p.canvas.pattern = BackgroundFill::image(picture.toStdString());
    return p;
}

void apply(EditorState& s, const ExportPreferences& p) {
    s.exportChoices().setOutputFormat(p.format);
    s.exportChoices().setAppStorePreview(p.appStorePreview);
    s.exportChoices().setAppStorePreset(p.appStorePreset);
    s.exportChoices().setExportQuality(p.quality);
    s.exportChoices().setExportFrameRate(p.frameRate);
    s.exportChoices().setSelectedExportResolution(p.resolution);
    s.exportChoices().setExportBackground(p.background);
    s.exportChoices().setCustomBackgroundColor(p.customColor);
    s.exportChoices().setCanvasChoices(p.canvas);
}

TEST_F(EditorStateTest, ExportAndCanvasChoicesAreRememberedAndNonsenseFallsBackToDefaults) {
    const ExportPreferences defaults = make()->exportChoices().preferences();
    const QString picture = this->picture();
    const ExportPreferences chosen = unusualChoices(picture);
    apply(*make(), chosen);
    EXPECT_EQ(make()->exportChoices().preferences(), chosen);
    // A background picture deleted since the last run gives the colour back.
    QFile::remove(picture);
    EXPECT_FALSE(make()->exportChoices().canvasChoices().pattern);
    EXPECT_TRUE(make()->exportChoices().canvasBackground().asColour());

    // A gradient keeps its two colours, with their alpha, and its angle.
    const LinearGradient gradient{{1, 0.5, 0, 0.25}, {0, 0, 1, 1}, 45};
    {
        auto s = make();
        CanvasChoices canvas = s->exportChoices().canvasChoices();
        canvas.pattern = BackgroundFill{gradient};
        s->exportChoices().setCanvasChoices(canvas);
    }
    const auto again = make()->exportChoices().canvasChoices().pattern;
    ASSERT_TRUE(again && again->asGradient());
    const LinearGradient& read = *again->asGradient();
    for (auto [read, want] : {std::pair{read.from.red, gradient.from.red},
                              {read.from.green, gradient.from.green},
                              {read.from.alpha, gradient.from.alpha},
                              {read.to.blue, gradient.to.blue},
                              {read.to.alpha, gradient.to.alpha},
                              {read.angle, gradient.angle}})
        EXPECT_NEAR(read, want, 1.0 / 255);

    // Whatever was stored, overwritten with words and with numbers out of every range: the
    // defaults.
    for (const QString& junk :
         {QStringLiteral("banana"), QStringLiteral("999"), QStringLiteral("-1"), QString()}) {
        {
            QSettings settings = openSettings();
            for (const QString& key : settings.allKeys()) settings.setValue(key, junk);
        }
        EXPECT_EQ(make()->exportChoices().preferences(), defaults) << junk.toStdString();
    }
}

TEST_F(EditorStateTest, TheAppearanceIsStoredUnlessChosenForOneRun) {
    {
        auto s = make();
        s->setDarkModeForThisRun(true);
        EXPECT_TRUE(s->isDarkMode());
    }
    EXPECT_FALSE(make()->isDarkMode());
    make()->setDarkMode(true);
    EXPECT_TRUE(make()->isDarkMode());
}

TEST_F(EditorStateTest, TheTapStyleIsTheOneLastChosenUnlessTheStoredOneIsJunk) {
    EXPECT_EQ(make()->tapStyle(), TapStyle{});
    const TapStyle chosen{false, 12.5, Rgba{255, 140, 20, 200}, 0.3};
    make()->setTapStyle(chosen);
    EXPECT_EQ(make()->tapStyle(), chosen);

    // Words, and numbers outside the editor's ranges: each property falls back on its own.
    for (const QString& junk : {QStringLiteral("banana"), QStringLiteral("41"),
                                QStringLiteral("-1"), QString()}) {
        {
            QSettings settings = openSettings();
            for (const char* key : {"tapsShown", "tapSize", "tapColour", "tapOpacity"})
                settings.setValue(key, junk);
        }
        EXPECT_EQ(make()->tapStyle(), TapStyle{}) << junk.toStdString();
    }
}

// --- Frame presets ---------------------------------------------------------------------------

TEST_F(EditorStateTest, APresetLoadsOffTheInterfaceThreadThenResetsAndBadKeysChangeNothing) {
    auto s = make();
    s->frame().setFramePreset(test::kProKey);
    // Nothing is decoded on the interface thread: the choice returns before the image exists.
    EXPECT_TRUE(s->frame().frameLoading());
    EXPECT_EQ(s->frame().frameImage(), nullptr);
    s->frame().setPlacement(130, 5, -5);
    test::waitForFrame(*s);
    ASSERT_NE(s->frame().frameImage(), nullptr);
    // The 4-pixel transparent border is trimmed away.
    EXPECT_EQ(s->frame().frameImage()->width, 100);
    EXPECT_EQ(s->frame().frameImage()->height, 200);
    // Opening: columns 10..89, 20 rows above and 30 below; y is the bottom margin.
    EXPECT_EQ(s->frame().screenRect(), (ScreenRect{10, 15, 80, 75}));
    EXPECT_EQ(s->frame().scale(), 100);
    EXPECT_EQ(s->frame().offsetX(), 0);
    EXPECT_EQ(s->frame().offsetY(), 0);
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), 0.5);

    // An unknown key changes nothing; an unreadable frame leaves the placement.
    const auto image = s->frame().frameImage();
    s->frame().setFramePreset("Frames/no-such-frame");
    test::waitForFrame(*s);
    EXPECT_EQ(s->frame().frameImage(), image);
    EXPECT_EQ(s->frame().framePreset(), test::kProKey);
    EXPECT_EQ(s->frame().screenRect(), (ScreenRect{10, 15, 80, 75}));
    s->frame().setPlacement(90, 0, 0);
    s->frame().setFramePreset(test::kBrokenKey);
    test::waitForFrame(*s);
    EXPECT_EQ(s->frame().frameImage(), nullptr);
    EXPECT_EQ(s->frame().screenRect(), kDefaultScreenRect);
    EXPECT_EQ(s->frame().scale(), 90);
    // No reset ran, so the ratio of the previous frame stays.
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), 0.5);
}

// "No frame" is a choice like the others: it takes the frame away at once, and a frame still
// loading never lands after it.
TEST_F(EditorStateTest, NoFrameRemovesTheFrameAndOvertakesALoad) {
    auto s = make();
    s->frame().setFramePreset(test::kProKey);
    test::waitForFrame(*s);
    ASSERT_NE(s->frame().frameImage(), nullptr);
    s->frame().setPlacement(150, 10, 10);
    s->frame().setFramePreset(QString());
    EXPECT_EQ(s->frame().frameImage(), nullptr);
    EXPECT_FALSE(s->frame().frameLoading());
    EXPECT_EQ(s->frame().screenRect(), (ScreenRect{0, 0, 100, 100}));
    EXPECT_EQ(s->frame().scale(), 100);
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), EditorState::kDefaultStageAspectRatio);

    s->frame().setFramePreset(test::kProKey);
    s->frame().setFramePreset(QString());
    BackgroundTasks::waitForAll();
    drainEvents();
    EXPECT_EQ(s->frame().frameImage(), nullptr);
    EXPECT_TRUE(s->frame().framePreset().isEmpty());
}

// The opaque frame has no opening near its centre: the default rectangle, its own ratio. Editors
// that go away during a load are not called back.
TEST_F(EditorStateTest, TheLastChosenFrameWinsOverALoadStillRunning) {
    for (int i = 0; i < 5; ++i) make()->frame().setFramePreset(test::kProKey);
    auto s = make();
    s->frame().setFramePreset(test::kProKey);
    s->frame().setFramePreset(test::kOpaqueKey);
    test::waitForFrame(*s);
    BackgroundTasks::waitForAll();  // the first load's result, were it to land late
    drainEvents();
    ASSERT_NE(s->frame().frameImage(), nullptr);
    EXPECT_EQ(s->frame().frameImage()->width, 60);
    EXPECT_EQ(s->frame().framePreset(), test::kOpaqueKey);
    EXPECT_EQ(s->frame().screenRect(), kDefaultScreenRect);
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), 0.5);
}

TEST_F(EditorStateTest, WithoutAFrameTheStageTakesTheMoviesUprightRatioOrTheDefault) {
    auto s = make();
    const QString movie = test::writeFile(dir.filePath("m.mov"));
    backend_->movies[movie.toStdString()] = {MovieFacts{true, true, 4.0}, std::nullopt, 1920, 1080};
    ASSERT_TRUE(loadAndWait(*s, movie));
    // The stage takes the movie's shape as soon as it loads, and the movie its own size.
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), 1920.0 / 1080.0);
    EXPECT_EQ(s->frame().scale(), 100);
    s->playback().clearVideo();
    EXPECT_DOUBLE_EQ(s->stageAspectRatio(), EditorState::kDefaultStageAspectRatio);
}

}  // namespace
}  // namespace kestro
