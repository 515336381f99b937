// The window as a whole: what it shows at start, how it follows a loaded movie and a frame, and
// the remembered appearance toggle.

#include "app/window/content_view.hpp"
#include "app/editor/editor_state.hpp"
#include "app/editor/export_workflow.hpp"
#include "app/preview/preview_stage_view.hpp"
#include "app/preview/preview_view.hpp"
#include "app/sections/canvas_section.hpp"
#include "app/ui/choice_picker.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/round_icon_button.hpp"
#include "app/window/frame_preset_picker.hpp"
#include "app_fixtures.hpp"

#include <QCheckBox>
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

TEST_F(ContentViewTest, TheAppearanceButtonTogglesAndRemembersDarkMode) {
    EXPECT_FALSE(Palette::current().dark);
    RoundIconButton* button = view_->appearanceButton();
    const QString lightSymbol = button->symbol();
    const QString lightTip = button->toolTip();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(view_->state().isDarkMode());
    EXPECT_TRUE(Palette::current().dark);
    EXPECT_NE(button->symbol(), lightSymbol);
    EXPECT_NE(button->toolTip(), lightTip);
    EXPECT_TRUE(QSettings("Kestro", "Kestro").value("isDarkMode").toBool());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(Palette::current().dark);
    EXPECT_EQ(button->symbol(), lightSymbol);
}

TEST_F(ContentViewTest, StartsEmptyImportShowsTheMovieAndResetClearsIt) {
    EXPECT_FALSE(view_->resetButton()->isVisible());
    EXPECT_TRUE(view_->importButton()->isVisible());
    EXPECT_TRUE(view_->stage()->showsEmptyState());
    EXPECT_TRUE(view_->framePicker()->attentionOutlineVisible());
    QTemporaryDir dir;
    const QString movie = dir.filePath("m.mp4");
    QFile(movie).open(QIODevice::WriteOnly);
    dialogs_.answer = movie;
    QTest::mouseClick(view_->importButton(), Qt::LeftButton);
    // The load starts on the next turn of the loop and runs on the pool.
    ASSERT_TRUE(test::waitUntilDone([&] { return view_->state().videoPath().has_value(); }));
    EXPECT_TRUE(view_->resetButton()->isVisible());
    EXPECT_FALSE(view_->stage()->showsEmptyState());
    EXPECT_EQ(view_->stage()->preview()->feed(), view_->state().player());
    QTest::mouseClick(view_->resetButton(), Qt::LeftButton);
    EXPECT_FALSE(view_->state().videoPath());
    EXPECT_FALSE(view_->resetButton()->isVisible());
    EXPECT_EQ(view_->stage()->preview()->feed(), nullptr);
    EXPECT_TRUE(view_->stage()->showsEmptyState());
}

TEST_F(ContentViewTest, TheFrameAndCanvasChoicesReachThePreviewAndTheRequestAlike) {
    QTemporaryDir dir;
    const QString movie = dir.filePath("m.mp4");
    QFile(movie).open(QIODevice::WriteOnly);
    EditorState& s = view_->state();
    ASSERT_TRUE(test::loadAndWait(s, movie));
    s.setFramePreset(test::kProKey);
    test::waitForFrame(s);
    // The frame reaches the stage with its ratio.
    EXPECT_FALSE(view_->framePicker()->attentionOutlineVisible());
    QRectF stage = view_->stage()->stageRect();
    EXPECT_NEAR(stage.width() / stage.height(), 0.5, 0.01);
    EXPECT_EQ(view_->stage()->preview()->layout().frame.size(), stage.size());

    // A square canvas chosen in the card: the preview draws it, and the export writes it.
    const auto& aspects = allCanvasAspects();
    const int square =
        int(std::find(aspects.begin(), aspects.end(), CanvasAspect::square1x1) - aspects.begin());
    view_->canvasSection()->aspectPicker()->choose(square);
    PreviewView* preview = view_->stage()->preview();
    ASSERT_TRUE(preview->canvas().layout);
    EXPECT_EQ(preview->canvas().layout->width, preview->canvas().layout->height);
    const ExportRequest request = buildExportRequest(s, "/tmp/out.mp4");
    EXPECT_EQ(request.config.width, preview->canvas().layout->width);
    EXPECT_EQ(request.config.height, preview->canvas().layout->height);
    EXPECT_EQ(request.config.device, devicePercent(*preview->canvas().layout));
    view_->canvasSection()->shadowBox()->setChecked(false);
    EXPECT_FALSE(preview->canvas().shadow);
    EXPECT_FALSE(buildExportRequest(s, "/tmp/out.mp4").config.shadow);
    stage = view_->stage()->stageRect();
    EXPECT_NEAR(stage.width() / stage.height(), 1.0, 0.01);

    // An App Store preview: no frame on the stage, the store's canvas, the frame picker shut.
    s.setAppStorePreview(true);
    ASSERT_TRUE(test::waitUntilDone([&] { return !preview->preparing(); }));
    EXPECT_FALSE(preview->layout().hasFrame);
    // Written square, as the recording is: no phone-screen corners.
    EXPECT_EQ(preview->layout().playerCornerRadius, 0);
    EXPECT_EQ(preview->layout().containerCornerRadius, 0);
    EXPECT_FALSE(preview->canvas().shadow);
    EXPECT_FALSE(view_->framePicker()->isEnabled());
    const ExportRequest store = buildExportRequest(s, "/tmp/store.mp4");
    ASSERT_TRUE(preview->canvas().layout);
    EXPECT_EQ(preview->canvas().layout->width, store.config.width);
    EXPECT_EQ(preview->canvas().layout->height, store.config.height);
    s.setAppStorePreview(false);
    ASSERT_TRUE(test::waitUntilDone([&] { return !preview->preparing(); }));
    EXPECT_TRUE(preview->layout().hasFrame);
    EXPECT_TRUE(view_->framePicker()->isEnabled());
}

}  // namespace
}  // namespace kestro
