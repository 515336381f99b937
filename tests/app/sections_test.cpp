// The section cards' visibility and enable rules, drawn from the editor state: the source
// card's Reset, the export button and its busy look, Cancel, the progress area and its icon,
// the pickers writing the editor's choices, and the recording controls.

#include "app/editor/editor_state.hpp"
#include "app/editor/export_workflow.hpp"
#include "app/editor/recording_workflow.hpp"
#include "app/sections/elided_label.hpp"
#include "app/sections/export_progress_area.hpp"
#include "app/sections/export_section.hpp"
#include "app/sections/recording_section.hpp"
#include "app/sections/segmented_picker.hpp"
#include "app/sections/warning_banner.hpp"
#include "app/ui/color_well.hpp"
#include "app/ui/export_resolution_selector.hpp"
#include "app/ui/menu_picker.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/status_indicator.hpp"
#include "app/window/content_view.hpp"
#include "app/window/source_section.hpp"
#include "app_fixtures.hpp"
#include "workflow_fixtures.hpp"

#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QScrollArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace kestro {
namespace {

using test::FakeBackend;
using test::loadAndWait;

class SectionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings("Kestro", "Kestro").clear();
        state = std::make_unique<EditorState>(std::make_unique<FakeBackend>());
        exportFlow = std::make_unique<ExportWorkflow>(*state, &dialogs);
        recordFlow = std::make_unique<RecordingWorkflow>(
            *state, &dialogs, std::vector<std::string>{dir.filePath("no-xcrun").toStdString()});
        source = std::make_unique<SourceSection>(*state);
        exporter = std::make_unique<ExportSection>(*state, *exportFlow);
        recorder = std::make_unique<RecordingSection>(*state, *recordFlow);
    }
    void TearDown() override {
        recorder.reset();
        exporter.reset();
        source.reset();
        recordFlow.reset();
        exportFlow.reset();
        state.reset();
    }
    void loadMovie() {
        QFile f(dir.filePath("m.mp4"));
        f.open(QIODevice::WriteOnly);
        f.write("x");
        f.close();
        ASSERT_TRUE(loadAndWait(*state, f.fileName()));
    }

    QTemporaryDir dir;
    test::ScriptedWorkflowDialogs dialogs;
    std::unique_ptr<EditorState> state;
    std::unique_ptr<ExportWorkflow> exportFlow;
    std::unique_ptr<RecordingWorkflow> recordFlow;
    std::unique_ptr<SourceSection> source;
    std::unique_ptr<ExportSection> exporter;
    std::unique_ptr<RecordingSection> recorder;
};

TEST_F(SectionsTest, WithoutAMovieNothingCanBeExportedOrReset) {
    EXPECT_EQ(source->title(), "Source & Frame");
    EXPECT_EQ(exporter->title(), "Export Settings");
    EXPECT_EQ(recorder->title(), "Record Device");
    EXPECT_TRUE(source->resetButton()->isHidden());
    EXPECT_TRUE(source->importButton()->isEnabled());
    EXPECT_FALSE(exporter->exportButton()->isEnabled());
    EXPECT_EQ(exporter->exportButton()->text(), "Export Video");
    EXPECT_EQ(exporter->exportButton()->symbol(), "arrow.down.doc.fill");
    EXPECT_TRUE(exporter->cancelButton()->isHidden());
    EXPECT_TRUE(exporter->progressArea()->isHidden());
    EXPECT_EQ(exporter->colorWell(), nullptr);
}

TEST_F(SectionsTest, AMovieEnablesExportUntilItsRangeIsEmpty) {
    loadMovie();
    EXPECT_FALSE(source->resetButton()->isHidden());
    EXPECT_TRUE(exporter->exportButton()->isEnabled());
    state->setTrimStart(4);
    state->setTrimEnd(4);
    EXPECT_FALSE(exporter->exportButton()->isEnabled());
    state->setTrimEnd(6);
    EXPECT_TRUE(exporter->exportButton()->isEnabled());
    QTest::mouseClick(source->resetButton(), Qt::LeftButton);
    EXPECT_FALSE(state->videoPath());
    EXPECT_TRUE(source->resetButton()->isHidden());
    EXPECT_FALSE(exporter->exportButton()->isEnabled());
}

TEST_F(SectionsTest, WhileExportingTheButtonSpinsAndCancelAndProgressAppear) {
    loadMovie();
    state->setExporting(true);
    state->setExportProgressText("Preparing export…");
    EXPECT_FALSE(exporter->exportButton()->isEnabled());
    EXPECT_EQ(exporter->exportButton()->text(), "Exporting...");
    EXPECT_TRUE(exporter->exportButton()->busy());
    EXPECT_FALSE(exporter->cancelButton()->isHidden());
    EXPECT_FALSE(exporter->progressArea()->isHidden());
    EXPECT_EQ(exporter->progressArea()->iconSymbol(), "arrow.down.doc.fill");
    EXPECT_FALSE(exporter->progressArea()->barVisible());  // nothing done yet
    state->setExportProgress(0.4);
    EXPECT_TRUE(exporter->progressArea()->barVisible());

    QTest::mouseClick(exporter->cancelButton(), Qt::LeftButton);
    EXPECT_TRUE(state->exportCancelRequested());

    // The end: Cancel goes, the text stays beside the check mark, whatever the outcome.
    state->setExporting(false);
    state->setExportProgressText("Export failed: Export was cancelled by the user.");
    EXPECT_TRUE(exporter->cancelButton()->isHidden());
    EXPECT_TRUE(exporter->exportButton()->isEnabled());
    EXPECT_EQ(exporter->exportButton()->text(), "Export Video");
    EXPECT_FALSE(exporter->progressArea()->isHidden());
    EXPECT_EQ(exporter->progressArea()->iconSymbol(), "checkmark.circle.fill");
    EXPECT_FALSE(exporter->progressArea()->barVisible());
    state->setExportProgressText("");
    EXPECT_TRUE(exporter->progressArea()->isHidden());
}

TEST_F(SectionsTest, PickersWriteTheEditorsChoicesAndFollowIt) {
    SegmentedPicker* format = exporter->formatPicker();
    SegmentedPicker* background = exporter->backgroundPicker();
    EXPECT_EQ(format->segments(), (QStringList{"MP4", "MOV", "GIF", "WebM"}));
    EXPECT_EQ(background->segments(),
              (QStringList{"Transparent (MOV only)", "White", "Black", "Custom…"}));
    EXPECT_EQ(background->currentText(), "Black");
    exporter->resize(380, exporter->sizeHint().height());

    QTest::mouseClick(format, Qt::LeftButton, {}, format->segmentRect(1).center().toPoint());
    EXPECT_EQ(state->outputFormat(), ExportFormat::mov);
    // Transparent with MP4 is allowed and does not switch the format.
    state->setOutputFormat(ExportFormat::mp4);
    EXPECT_EQ(format->currentText(), "MP4");
    QTest::mouseClick(background, Qt::LeftButton, {},
                      background->segmentRect(0).center().toPoint());
    EXPECT_EQ(state->exportBackground(), ExportBackground::transparent);
    EXPECT_EQ(state->outputFormat(), ExportFormat::mp4);
    QTest::mouseClick(background, Qt::LeftButton, {},
                      background->segmentRect(3).center().toPoint());
    EXPECT_EQ(state->exportBackground(), ExportBackground::custom);
    ASSERT_NE(exporter->colorWell(), nullptr);
    EXPECT_EQ(exporter->colorWell()->width(), 160);

    exporter->resolutionSelector()->picker()->menu()->actions()[2]->trigger();
    EXPECT_EQ(state->selectedExportResolution(), ExportResolution::qhd1440p);
    state->setSelectedExportResolution(ExportResolution::hd1080p);
    EXPECT_EQ(exporter->resolutionSelector()->selectedResolution(), ExportResolution::hd1080p);
}

TEST_F(SectionsTest, ExportButtonAsksForTheDestinationOnTheNextTurnOfTheLoop) {
    loadMovie();
    QTest::mouseClick(exporter->exportButton(), Qt::LeftButton);
    EXPECT_TRUE(dialogs.proposedExportNames.isEmpty());
    test::drainEvents();
    EXPECT_EQ(dialogs.proposedExportNames, QStringList{"kestro-output.mp4"});
}

TEST_F(SectionsTest, RecordingControlsFollowTheRecordingState) {
    // No tools here: the banner shows and Start is shut.
    state->onAppear();
    ASSERT_TRUE(test::waitUntil([&] { return !recordFlow->refreshing(); }));
    EXPECT_EQ(state->simAvailability(), SimulatorAvailability::xcodeMissing);
    EXPECT_FALSE(recorder->banner()->isHidden());
    EXPECT_FALSE(recorder->startButton()->isEnabled());
    EXPECT_TRUE(recorder->stopButton()->isHidden());
    EXPECT_EQ(recorder->status()->state(), RecordingState::idle);
    EXPECT_EQ(recorder->devicePicker()->text(), RecordingSection::noDeviceText());
    EXPECT_TRUE(recorder->recordingRow()->isHidden());
    EXPECT_TRUE(recorder->folderName()->isHidden());
    EXPECT_EQ(recorder->folderDetail()->text(), "(" + defaultRecordingsFolder() + ")");

    // A device and working tools open Start; a recording swaps in Stop.
    state->setSimAvailability(SimulatorAvailability::available);
    state->setAvailableDevices({{"iPhone 15", "ID-1"}});
    state->setSimulatorDevice(SimulatorChoice{"iPhone 15", "ID-1"});
    EXPECT_TRUE(recorder->banner()->isHidden());
    EXPECT_TRUE(recorder->startButton()->isEnabled());
    state->setRecordingPath(QString("/tmp/take.mp4"));
    state->setRecordingState(RecordingState::recording);
    EXPECT_TRUE(recorder->startButton()->isHidden());
    EXPECT_FALSE(recorder->stopButton()->isHidden());
    EXPECT_EQ(recorder->status()->state(), RecordingState::recording);
    EXPECT_FALSE(recorder->recordingRow()->isHidden());
    EXPECT_EQ(recorder->recordingPathLabel()->text(), "/tmp/take.mp4");
    EXPECT_TRUE(recorder->resetButton()->isEnabled());

    state->setRecordingState(RecordingState::recorded);
    EXPECT_FALSE(recorder->startButton()->isHidden());
    EXPECT_EQ(recorder->status()->state(), RecordingState::recorded);
    EXPECT_FALSE(recorder->recordingRow()->isHidden());

    state->setCustomSaveLocation(dir.path());
    EXPECT_FALSE(recorder->folderName()->isHidden());
    EXPECT_FALSE(recorder->resetFolderButton()->isHidden());
    EXPECT_EQ(recorder->folderDetail()->text(), "(" + QFileInfo(dir.path()).absolutePath() + ")");
}

TEST(Window, ColumnsKeepTheirWidthsAndTheCardsComeInOrder) {
    QSettings("Kestro", "Kestro").clear();
    QTemporaryDir dir;
    test::ScriptedWorkflowDialogs dialogs;
    ContentView::Services services;
    services.dialogs = &dialogs;
    services.xcrunLaunchers = std::vector<std::string>{dir.filePath("no-xcrun").toStdString()};
    ContentView view(std::make_unique<EditorState>(std::make_unique<FakeBackend>()), services);
    view.resize(700, 600);  // narrower than the two columns need
    view.show();
    test::drainEvents();
    EXPECT_GE(view.leftColumn()->width(), ContentView::kLeftColumnMinWidth);
    EXPECT_EQ(view.rightColumn()->width(), ContentView::kRightColumnWidth);
    EXPECT_GE(view.width(),
              ContentView::kLeftColumnMinWidth + ContentView::kRightColumnWidth + 24 * 3);
    ASSERT_EQ(view.sectionColumn()->count(), 3);  // two cards and the stretch under them
    EXPECT_EQ(view.sectionColumn()->itemAt(0)->widget(), view.sourceSection());
    EXPECT_EQ(view.sectionColumn()->itemAt(1)->widget(), view.recordingSection());
    // The export card is pinned under the scrolling ones.
    EXPECT_EQ(view.exportSection()->parentWidget(), view.rightColumn());
    EXPECT_GT(view.exportSection()->y(), view.sectionScroll()->geometry().bottom());
    // Shown: the device checks ran (there are no tools here).
    ASSERT_TRUE(test::waitUntil([&] { return !view.recordingWorkflow().refreshing(); }));
    EXPECT_EQ(view.state().simAvailability(), SimulatorAvailability::xcodeMissing);
}

}  // namespace
}  // namespace kestro
