// The window's content as a whole: its columns, what it shows at start, how it follows a loaded
// movie, a frame and the canvas, and the appearance toggle.

#include "app/window/content_view.hpp"
#include "app/editor/editor_state.hpp"
#include "app/editor/export_workflow.hpp"
#include "app/editor/settings_file.hpp"
#include "app/preview/preview_stage_view.hpp"
#include "app/preview/preview_view.hpp"
#include "app/sections/canvas_section.hpp"
#include "app/sections/export_section.hpp"
#include "app/sections/frame_preset_picker.hpp"
#include "app/sections/placement_controls.hpp"
#include "app/sections/recording_section.hpp"
#include "app/sections/source_section.hpp"
#include "app/sections/taps_section.hpp"
#include "app/ui/choice_picker.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/round_icon_button.hpp"
#include "app_fixtures.hpp"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace kestro {
namespace {

class ContentViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        openSettings().clear();
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

    test::RecordingAlerts alerts_;
    test::ScriptedDialogs dialogs_;
    test::FakeBackend* backend_ = nullptr;  // owned by the view's editor
    std::unique_ptr<ContentView> view_;
};

TEST_F(ContentViewTest, TheAppearanceButtonTogglesAndRemembersDarkMode) {
    EXPECT_FALSE(Palette::current().dark);
    RoundIconButton* button = view_->appearanceButton();
    const QString lightSymbol = button->symbol();
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(view_->state().isDarkMode());
    EXPECT_TRUE(Palette::current().dark);
    EXPECT_NE(button->symbol(), lightSymbol);
    EXPECT_TRUE(EditorState(std::make_unique<test::FakeBackend>()).isDarkMode());  // remembered
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(Palette::current().dark);
}

TEST_F(ContentViewTest, StartsEmptyImportShowsTheMovieAndResetClearsIt) {
    // Narrower than the two columns need: the columns keep their widths, the cards their order,
    // and the export card is pinned under the scrolling ones.
    view_->resize(700, 600);
    test::drainEvents();
    EXPECT_GE(view_->leftColumn()->width(), ContentView::kLeftColumnMinWidth);
    EXPECT_EQ(view_->rightColumn()->width(), ContentView::kRightColumnWidth);
    ASSERT_EQ(view_->sectionColumn()->count(), 5);  // four cards and the stretch under them
    const std::vector<QWidget*> cards = {view_->sourceSection(), view_->canvasSection(),
                                         view_->tapsSection(), view_->recordingSection()};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(view_->sectionColumn()->itemAt(i)->widget(), cards[i]);
    EXPECT_EQ(view_->exportSection()->parentWidget(), view_->rightColumn());
    EXPECT_GT(view_->exportSection()->y(), view_->sectionScroll()->geometry().bottom());
    EXPECT_FALSE(view_->resetButton()->isVisible());
    EXPECT_TRUE(view_->importButton()->isVisible());
    EXPECT_TRUE(view_->stage()->showsEmptyState());
    EXPECT_TRUE(view_->framePicker()->attentionOutlineVisible());
    QTemporaryDir dir;
    dialogs_.answer = test::writeFile(dir.filePath("m.mp4"));
    QTest::mouseClick(view_->importButton(), Qt::LeftButton);
    // The load starts on the next turn of the loop and runs on the pool.
    ASSERT_TRUE(
        test::waitUntilDone([&] { return view_->state().playback().videoPath().has_value(); }));
    EXPECT_TRUE(view_->resetButton()->isVisible());
    EXPECT_FALSE(view_->stage()->showsEmptyState());
    EXPECT_EQ(view_->stage()->preview()->feed(), view_->state().playback().player());
    QTest::mouseClick(view_->resetButton(), Qt::LeftButton);
    EXPECT_FALSE(view_->state().playback().videoPath());
    EXPECT_FALSE(view_->resetButton()->isVisible());
    EXPECT_EQ(view_->stage()->preview()->feed(), nullptr);
    EXPECT_TRUE(view_->stage()->showsEmptyState());
}

TEST_F(ContentViewTest, TheFrameAndCanvasChoicesReachThePreviewAndTheRequestAlike) {
    QTemporaryDir dir;
    EditorState& s = view_->state();
    ASSERT_TRUE(test::loadAndWait(s, test::writeFile(dir.filePath("m.mp4"))));
    s.frame().setFramePreset(test::kProKey);
    test::waitForFrame(s);
    // The preview makes its pictures of the frame on the pool before it lays the frame out.
    ASSERT_TRUE(test::waitUntilDone([&] { return !view_->stage()->preview()->preparing(); }));
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

    // An App Store preview: no frame on the stage, the store's canvas.
    s.exportChoices().setAppStorePreview(true);
    ASSERT_TRUE(test::waitUntilDone([&] { return !preview->preparing(); }));
    EXPECT_FALSE(preview->layout().hasFrame);
    // Written square, as the recording is: no phone-screen corners.
    EXPECT_EQ(preview->layout().playerCornerRadius, 0);
    EXPECT_EQ(preview->layout().containerCornerRadius, 0);
    EXPECT_FALSE(preview->canvas().shadow);
    const ExportRequest store = buildExportRequest(s, "/tmp/store.mp4");
    ASSERT_TRUE(preview->canvas().layout);
    EXPECT_EQ(preview->canvas().layout->width, store.config.width);
    EXPECT_EQ(preview->canvas().layout->height, store.config.height);
    s.exportChoices().setAppStorePreview(false);
    ASSERT_TRUE(test::waitUntilDone([&] { return !preview->preparing(); }));
    EXPECT_TRUE(preview->layout().hasFrame);
}

// What the stage shows is what the export writes, for the choices made in the window: a wide
// frameless movie at its own size on a stage of its shape, "No Frame", an MP4's black where a
// transparent canvas cannot be kept, and the recording's size and place typed in the card.
TEST_F(ContentViewTest, NoFrameAnMp4sBlackAndThePlacementLookAsTheyExport) {
    QTemporaryDir dir;
    EditorState& s = view_->state();
    const QString movie = test::writeFile(dir.filePath("wide.mp4"));
    backend_->movies[movie.toStdString()] = {MovieFacts{true, true, 4.0}, std::nullopt, 640, 360};
    ASSERT_TRUE(test::loadAndWait(s, movie));
    const QRectF wide = view_->stage()->stageRect();
    EXPECT_NEAR(wide.width() / wide.height(), 640.0 / 360, 0.02);
    EXPECT_DOUBLE_EQ(buildExportRequest(s, "/tmp/out.mp4").config.scale, 1.0);

    s.frame().setFramePreset(test::kProKey);
    test::waitForFrame(s);
    PreviewView* preview = view_->stage()->preview();
    ASSERT_TRUE(test::waitUntilDone([&] { return !preview->preparing(); }));
    ASSERT_TRUE(preview->layout().hasFrame);
    auto* none = view_->framePicker()->menu()->findChild<QAction*>("noFrameAction");
    ASSERT_TRUE(none);
    none->trigger();
    EXPECT_FALSE(preview->layout().hasFrame);
    EXPECT_FALSE(buildExportRequest(s, "/tmp/out.mp4").frame);
    EXPECT_TRUE(none->isChecked());

    CanvasSection* card = view_->canvasSection();
    s.exportChoices().setExportBackground(ExportBackground::transparent);
    s.exportChoices().setOutputFormat(ExportFormat::mp4);
    EXPECT_EQ(preview->canvas().background, BackgroundFill::black());
    EXPECT_EQ(buildExportRequest(s, "/tmp/out.mp4").config.background, BackgroundFill::black());
    EXPECT_FALSE(card->transparencyHint()->isHidden());
    s.exportChoices().setOutputFormat(ExportFormat::mov);
    EXPECT_TRUE(preview->canvas().background.isTransparent());
    EXPECT_TRUE(card->transparencyHint()->isHidden());

    card->placement()->scaleBox()->setValue(80);
    card->placement()->offsetXBox()->setValue(-10);
    card->placement()->offsetYBox()->setValue(20);
    const ExportRequest placed = buildExportRequest(s, "/tmp/out.mov");
    EXPECT_DOUBLE_EQ(placed.config.scale, 0.8);
    EXPECT_DOUBLE_EQ(placed.config.offsetX, -0.1);
    EXPECT_EQ(s.frame().offsetY(), 20);
    // The picture drawn is the one the export places: 80 % of the fill, shifted left.
    const QRectF full = preview->layout().player;
    const QRectF shown = preview->layout().videoRect(QSizeF(640, 360));
    EXPECT_LT(shown.center().x(), full.center().x());
    EXPECT_LT(shown.height(), full.height());
}

}  // namespace
}  // namespace kestro
