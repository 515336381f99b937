// The window as a whole: what it shows at start, how it follows a loaded movie and a frame, and
// the remembered appearance toggle.

#include "app/window/content_view.hpp"
#include "app/editor/editor_state.hpp"
#include "app/preview/preview_stage_view.hpp"
#include "app/preview/preview_view.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/round_icon_button.hpp"
#include "app/window/frame_preset_picker.hpp"
#include "app_fixtures.hpp"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kestro {
namespace {

class ContentViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings("Kestro", "Kestro").clear();
        auto backend = std::make_unique<test::FakeBackend>();
        backend_ = backend.get();
        auto state = std::make_unique<EditorState>(std::move(backend));
        state->setAlertPresenter(&alerts_);
        state->setFileDialogs(&dialogs_);
        view_ = std::make_unique<ContentView>(std::move(state));
        view_->show();
    }
    void TearDown() override {
        view_.reset();
        Palette::setCurrent(false);
    }

    test::FakeBackend* backend_ = nullptr;
    test::RecordingAlerts alerts_;
    test::ScriptedDialogs dialogs_;
    std::unique_ptr<ContentView> view_;
};

TEST_F(ContentViewTest, StartsEmptyInTheLightAppearance) {
    EXPECT_FALSE(view_->resetButton()->isVisible());
    EXPECT_TRUE(view_->importButton()->isVisible());
    EXPECT_TRUE(view_->stage()->showsEmptyState());
    EXPECT_EQ(view_->appearanceButton()->symbol(), "moon.fill");
    EXPECT_EQ(view_->appearanceButton()->toolTip(), "Switch to Dark Mode");
    EXPECT_TRUE(view_->framePicker()->attentionOutlineVisible());
}

TEST_F(ContentViewTest, TheAppearanceButtonTogglesAndRemembersDarkMode) {
    QTest::mouseClick(view_->appearanceButton(), Qt::LeftButton);
    EXPECT_TRUE(view_->state().isDarkMode());
    EXPECT_TRUE(Palette::current().dark);
    EXPECT_EQ(view_->appearanceButton()->symbol(), "sun.max.fill");
    EXPECT_EQ(view_->appearanceButton()->toolTip(), "Switch to Light Mode");
    EXPECT_TRUE(QSettings("Kestro", "Kestro").value("isDarkMode").toBool());
    QTest::mouseClick(view_->appearanceButton(), Qt::LeftButton);
    EXPECT_FALSE(Palette::current().dark);
}

TEST_F(ContentViewTest, ImportShowsTheMovieAndResetClearsIt) {
    QTemporaryDir dir;
    const QString movie = dir.filePath("m.mp4");
    QFile(movie).open(QIODevice::WriteOnly);
    dialogs_.answer = movie;
    QTest::mouseClick(view_->importButton(), Qt::LeftButton);
    test::drainEvents();
    ASSERT_TRUE(view_->state().videoPath());
    EXPECT_TRUE(view_->resetButton()->isVisible());
    EXPECT_FALSE(view_->stage()->showsEmptyState());
    EXPECT_EQ(view_->stage()->preview()->feed(), view_->state().player());
    QTest::mouseClick(view_->resetButton(), Qt::LeftButton);
    EXPECT_FALSE(view_->state().videoPath());
    EXPECT_FALSE(view_->resetButton()->isVisible());
    EXPECT_EQ(view_->stage()->preview()->feed(), nullptr);
    EXPECT_TRUE(view_->stage()->showsEmptyState());
}

TEST_F(ContentViewTest, AChosenFrameReachesTheStageWithItsRatio) {
    view_->state().setFramePreset(test::kProKey);
    test::waitForFrame(view_->state());
    test::drainEvents();
    EXPECT_FALSE(view_->stage()->showsEmptyState());
    EXPECT_FALSE(view_->framePicker()->attentionOutlineVisible());
    const QRectF stage = view_->stage()->stageRect();
    EXPECT_NEAR(stage.width() / stage.height(), 0.5, 0.01);
    EXPECT_EQ(view_->stage()->preview()->layout().frame.size(), stage.size());
}

}  // namespace
}  // namespace kestro
