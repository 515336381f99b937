// The section cards drawn from the editor state and the export workflow: what each shows and
// allows, the pickers writing the editor's choices, and the App Store preview's effects.

#include "app/editor/editor_state.hpp"
#include "app/editor/export_workflow.hpp"
#include "app/editor/settings_file.hpp"
#include "app/sections/canvas_section.hpp"
#include "app/sections/export_progress_area.hpp"
#include "app/sections/export_section.hpp"
#include "app/sections/frame_preset_picker.hpp"
#include "app/sections/source_section.hpp"
#include "app/ui/choice_picker.hpp"
#include "app/ui/elided_label.hpp"
#include "app/ui/modern_button.hpp"
#include "app_fixtures.hpp"

#include <QCheckBox>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace kestro {
namespace {

using test::FakeBackend;
using test::loadAndWait;

class SectionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        openSettings().clear();
        state = std::make_unique<EditorState>(std::make_unique<FakeBackend>());
        state->setAlertPresenter(&alerts);
        state->setFileDialogs(&files);
        // Reports 40 % once the test says so, then runs until it is cancelled.
        auto engine = [this](const ExportRequest&, ExportWorkflow::ProgressHandler progress,
                             ExportWorkflow::CancelQuery cancelled)
            -> Result<ExportedMovie, ExportError> {
            while (!go && !cancelled()) QThread::msleep(2);
            if (go) progress(0.4);
            while (!cancelled()) QThread::msleep(2);
            return fail(ExportError::exportCancelled());
        };
        exportFlow = std::make_unique<ExportWorkflow>(*state, &dialogs, engine);
        source = std::make_unique<SourceSection>(*state);
        canvas = std::make_unique<CanvasSection>(*state);
        exporter = std::make_unique<ExportSection>(*state, *exportFlow);
    }
    void loadMovie() { ASSERT_TRUE(loadAndWait(*state, test::writeFile(dir.filePath("m.mp4")))); }

    // Destroyed from the last: the cards, then the workflow, then the editor.
    QTemporaryDir dir;
    std::atomic<bool> go{false};
    test::ScriptedWorkflowDialogs dialogs;
    test::RecordingAlerts alerts;
    test::ScriptedDialogs files;
    std::unique_ptr<EditorState> state;
    std::unique_ptr<ExportWorkflow> exportFlow;
    std::unique_ptr<SourceSection> source;
    std::unique_ptr<CanvasSection> canvas;
    std::unique_ptr<ExportSection> exporter;
};

TEST_F(SectionsTest, AMovieEnablesExportWhileItsRangeHoldsExportingSpinsAndResetEndsIt) {
    EXPECT_FALSE(exporter->exportButton()->isEnabled());
    EXPECT_TRUE(exporter->progressArea()->isHidden());
    loadMovie();
    EXPECT_FALSE(source->resetButton()->isHidden());
    EXPECT_TRUE(exporter->exportButton()->isEnabled());
    state->playback().setTrimStart(4);
    state->playback().setTrimEnd(4);
    EXPECT_FALSE(exporter->exportButton()->isEnabled());
    state->playback().setTrimEnd(6);
    EXPECT_TRUE(exporter->exportButton()->isEnabled());

    // While exporting the button spins; Cancel and the progress appear.
    dialogs.exportDestination = dir.filePath("out.mp4");
    QTest::mouseClick(exporter->exportButton(), Qt::LeftButton);
    // The destination is asked for on the next turn of the loop, not inside the click.
    EXPECT_TRUE(dialogs.proposedExportNames.isEmpty());
    ASSERT_TRUE(test::waitUntilDone([&] { return exportFlow->exporting(); }));
    EXPECT_EQ(dialogs.proposedExportNames, QStringList{"kestro-output.mp4"});
    EXPECT_FALSE(exporter->exportButton()->isEnabled());
    EXPECT_TRUE(exporter->exportButton()->busy());
    EXPECT_FALSE(exporter->cancelButton()->isHidden());
    EXPECT_FALSE(exporter->progressArea()->isHidden());
    EXPECT_EQ(exporter->progressArea()->iconSymbol(), "arrow.down.doc.fill");
    EXPECT_FALSE(exporter->progressArea()->barVisible());  // nothing done yet
    go = true;
    ASSERT_TRUE(test::waitUntilDone([&] { return exportFlow->progress() > 0; }));
    EXPECT_TRUE(exporter->progressArea()->barVisible());

    QTest::mouseClick(exporter->cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(exportFlow->cancelRequested());
    ASSERT_TRUE(test::waitUntilDone([&] { return !exportFlow->exporting(); }));
    // The end: Cancel goes, the text stays beside the cancel mark.
    EXPECT_TRUE(exporter->cancelButton()->isHidden());
    EXPECT_TRUE(exporter->exportButton()->isEnabled());
    EXPECT_FALSE(exporter->exportButton()->busy());
    EXPECT_FALSE(exporter->progressArea()->isHidden());
    EXPECT_EQ(exporter->progressArea()->iconSymbol(), "xmark.circle");
    EXPECT_FALSE(exporter->progressArea()->barVisible());

    QTest::mouseClick(source->resetButton(), Qt::LeftButton);
    EXPECT_FALSE(state->playback().videoPath());
    EXPECT_TRUE(source->resetButton()->isHidden());
    EXPECT_FALSE(exporter->exportButton()->isEnabled());
}

TEST_F(SectionsTest, PickersWriteTheEditorsChoicesAndFollowIt) {
    ChoicePicker* format = exporter->formatPicker();
    const int formats = int(allExportFormats().size());
    // and the App Store preview, then the PNG of the current frame
    ASSERT_EQ(format->choices().size(), formats + 2);
    format->choose(1);
    EXPECT_EQ(state->exportChoices().outputFormat(), allExportFormats()[1]);
    state->exportChoices().setOutputFormat(allExportFormats()[2]);
    EXPECT_EQ(format->currentIndex(), 2);

    exporter->qualityPicker()->choose(0);
    EXPECT_EQ(state->exportChoices().exportQuality(), allExportQualities()[0]);
    // The first rate is the recording's own; the others are numbers of frames per second.
    exporter->frameRatePicker()->choose(2);
    ASSERT_TRUE(state->exportChoices().exportFrameRate());
    EXPECT_EQ(QString::number(*state->exportChoices().exportFrameRate()),
              exporter->frameRatePicker()->choices()[2]);
    exporter->frameRatePicker()->choose(0);
    EXPECT_FALSE(state->exportChoices().exportFrameRate());
    state->exportChoices().setExportFrameRate(kOfferedFrameRates.back());
    EXPECT_EQ(exporter->frameRatePicker()->currentIndex(), int(kOfferedFrameRates.size()));

    // A GIF's width is its own: the resolution is shut while it is chosen.
    state->exportChoices().setOutputFormat(ExportFormat::gif);
    EXPECT_FALSE(exporter->resolutionPicker()->isEnabled());
    state->exportChoices().setOutputFormat(ExportFormat::mp4);
    EXPECT_TRUE(exporter->resolutionPicker()->isEnabled());
    exporter->resolutionPicker()->choose(2);
    EXPECT_EQ(state->exportChoices().selectedExportResolution(), allExportResolutions()[2]);
    state->exportChoices().setSelectedExportResolution(allExportResolutions()[1]);
    EXPECT_EQ(exporter->resolutionPicker()->currentIndex(), 1);

    // Leaving the App Store preview for a format turns it off again.
    format->choose(formats);
    EXPECT_TRUE(state->exportChoices().appStorePreview());
    format->choose(0);
    EXPECT_FALSE(state->exportChoices().appStorePreview());
    EXPECT_EQ(state->exportChoices().outputFormat(), allExportFormats()[0]);
}

TEST_F(SectionsTest, AnAppStorePreviewSwapsTheSizeShutsWhatDoesNotApplyAndKeepsTheLimits) {
    loadMovie();
    CanvasChoices shaped = state->exportChoices().canvasChoices();
    shaped.aspect = CanvasAspect::wide16x9;
    state->exportChoices().setCanvasChoices(shaped);
    exporter->formatPicker()->choose(int(allExportFormats().size()));
    ASSERT_TRUE(state->exportChoices().appStorePreview());
    EXPECT_FALSE(exporter->resolutionPicker()->isVisibleTo(exporter.get()));
    EXPECT_TRUE(exporter->appStorePresetPicker()->isVisibleTo(exporter.get()));
    exporter->appStorePresetPicker()->choose(2);
    EXPECT_EQ(state->exportChoices().appStorePreset(), allAppStorePresets()[2]);

    EXPECT_FALSE(source->framePicker()->isEnabled());
    EXPECT_FALSE(canvas->aspectPicker()->isEnabled());
    EXPECT_FALSE(canvas->paddingBox()->isEnabled());
    EXPECT_FALSE(canvas->shadowBox()->isEnabled());
    ChoicePicker* background = canvas->backgroundPicker();
    EXPECT_FALSE(background->isChoiceEnabled(CanvasSection::kGradientChoice));
    EXPECT_FALSE(background->isChoiceEnabled(CanvasSection::kImageChoice));
    // A colour still applies, and is what the preview is written over.
    background->choose(1);
    EXPECT_EQ(state->exportChoices().exportBackground(), allExportBackgrounds()[1]);
    // The stand-in movie is 10 s long, below the store's shortest: refused before the save panel.
    dialogs.exportDestination = dir.filePath("preview.mp4");
    exportFlow->startExport();
    EXPECT_TRUE(dialogs.proposedExportNames.isEmpty());
    EXPECT_FALSE(exportFlow->exporting());
    ASSERT_EQ(alerts.messages.size(), 1);
    EXPECT_TRUE(alerts.messages.front().contains("10.00")) << alerts.messages.front().toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("preview.mp4")));

    // Back to a framed export: every control is open again, the shape kept.
    exporter->formatPicker()->choose(0);
    EXPECT_TRUE(source->framePicker()->isEnabled());
    EXPECT_TRUE(canvas->aspectPicker()->isEnabled());
    EXPECT_TRUE(background->isChoiceEnabled(CanvasSection::kGradientChoice));
    EXPECT_EQ(state->exportChoices().canvasChoices().aspect, CanvasAspect::wide16x9);
    EXPECT_TRUE(exporter->resolutionPicker()->isVisibleTo(exporter.get()));
}

TEST_F(SectionsTest, TheCanvasCardWritesBackgroundShapePaddingAndShadow) {
    ChoicePicker* background = canvas->backgroundPicker();
    const auto& colours = allExportBackgrounds();
    const int custom =
        int(std::find(colours.begin(), colours.end(), ExportBackground::custom) - colours.begin());
    background->choose(custom);
    EXPECT_EQ(state->exportChoices().exportBackground(), ExportBackground::custom);
    EXPECT_FALSE(canvas->customColorRow()->isHidden());

    // A gradient replaces the colour and is edited in place; its angle follows the box.
    background->choose(CanvasSection::kGradientChoice);
    ASSERT_TRUE(state->exportChoices().canvasChoices().pattern);
    EXPECT_TRUE(state->exportChoices().canvasChoices().pattern->asGradient());
    EXPECT_TRUE(canvas->customColorRow()->isHidden());
    EXPECT_FALSE(canvas->gradientRow()->isHidden());
    canvas->angleBox()->setValue(90);
    ASSERT_TRUE(state->exportChoices().canvasBackground().asGradient());
    EXPECT_DOUBLE_EQ(state->exportChoices().canvasBackground().asGradient()->angle, 90);
    const BackgroundFill gradient = *state->exportChoices().canvasChoices().pattern;

    // Back to a colour and to the gradient again: the gradient comes back as it was.
    background->choose(custom);
    EXPECT_FALSE(state->exportChoices().canvasChoices().pattern);
    EXPECT_TRUE(state->exportChoices().canvasBackground().asColour());
    background->choose(CanvasSection::kGradientChoice);
    EXPECT_EQ(state->exportChoices().canvasChoices().pattern, gradient);

    // An image is asked for, checked off the interface thread, and named.
    const QString picture = dir.filePath("beach.png");
    QImage(8, 6, QImage::Format_RGB32).save(picture);
    files.imageAnswer = picture;
    background->choose(CanvasSection::kImageChoice);
    ASSERT_TRUE(
        test::waitUntilDone([&] { return state->exportChoices().canvasBackground().asPicture(); }));
    EXPECT_FALSE(canvas->imageRow()->isHidden());
    EXPECT_EQ(canvas->imageName()->text(), "beach.png");
    // A file that is no picture is refused with an alert and changes nothing.
    files.imageAnswer = test::writeFile(dir.filePath("notes.png"), "not an image");
    QTest::mouseClick(canvas->chooseImageButton(), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntilDone([&] { return !alerts.messages.isEmpty(); }));
    EXPECT_EQ(state->exportChoices().canvasBackground(),
              BackgroundFill::image(picture.toStdString()));

    // A new shape starts from its own padding; a padding typed in is kept.
    canvas->aspectPicker()->choose(1);
    EXPECT_EQ(state->exportChoices().canvasChoices().aspect, allCanvasAspects()[1]);
    EXPECT_FALSE(state->exportChoices().canvasChoices().paddingPercent);
    EXPECT_EQ(canvas->paddingBox()->value(),
              int(effectivePadding(allCanvasAspects()[1], std::nullopt)));
    canvas->paddingBox()->setValue(12);
    EXPECT_EQ(state->exportChoices().canvasChoices().paddingPercent, 12);
    const bool shadow = state->exportChoices().canvasChoices().shadow;
    canvas->shadowBox()->click();
    EXPECT_EQ(state->exportChoices().canvasChoices().shadow, !shadow);
}

}  // namespace
}  // namespace kestro
