// The taps' look in the editor: the Taps card's controls change what the preview draws and what
// the export is asked to draw, each change is one edit to undo, and a project keeps the look.

#include "app_fixtures.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/export_workflow.hpp"
#include "app/editor/project_session.hpp"
#include "app/editor/settings_file.hpp"
#include "app/editor/tap_style_editing.hpp"
#include "app/preview/preview_view.hpp"
#include "app/sections/taps_section.hpp"
#include "app/ui/color_well.hpp"
#include "app/window/touch_preview_link.hpp"
#include "core/export/canvas_layout.hpp"
#include "core/export/export_request.hpp"
#include "core/project/project_file.hpp"

#include <QCheckBox>
#include <QColorDialog>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kestro {
namespace {

using test::FakeBackend;

// A preview of a 90 x 160 recording in dark grey on a 16:9 canvas, the recording drawn 162
// preview pixels wide around the view's centre (as the export draws it at half its size).
struct Stage {
    Stage() {
        view.resize(640, 360);
        view.setFeed(&feed);
        view.setPlacement(100, 0, 0);
        ExportChoices choices;
        choices.resolution = ExportResolution::hd720p;
        choices.aspect = CanvasAspect::wide16x9;
        choices.paddingPercent = 10;
        choices.recordingSize = VideoSize{90, 160};
        PreviewCanvas canvas;
        canvas.layout = *canvasLayoutFor(choices, nullptr);
        canvas.background = BackgroundFill::color(0.9, 0.9, 0.9);
        view.setCanvas(canvas);
    }
    // The colour drawn `dx` preview pixels right of the tap in the recording's centre.
    QColor at(int dx) { return QColor(test::renderSettled(view).pixel(320 + dx, 180)); }

    test::SolidFeed feed{QColor(30, 40, 50)};
    PreviewView view;
};

bool isRecording(const QColor& c) {
    return std::abs(c.red() - 30) < 8 && std::abs(c.green() - 40) < 8 &&
           std::abs(c.blue() - 50) < 8;
}

TEST(TapStyleInTheEditor, TheControlsChangeThePreviewAndTheExportAlikeAndUndoAsOneEdit) {
    openSettings().clear();
    EditorState state(std::make_unique<FakeBackend>());
    state.setTouchTrack(TouchTrack{{{0, 45, 80, TouchPhase::down, 0}}});
    TapsSection card(state);
    Stage stage;
    linkTouchesToPreview(state, stage.view);
    stage.view.setTapTime(0.05);
    const auto exported = [&state] { return buildExportRequest(state, "/tmp/out.mp4").config; };

    // The defaults draw; the card shows them.
    EXPECT_TRUE(card.showBox()->isChecked());
    EXPECT_FALSE(isRecording(stage.at(0)));
    EXPECT_EQ(exported().taps, TapStyle{});

    // Full opacity, in red, a small circle: red at the tap, the recording 14 pixels away.
    card.opacitySlider()->setValue(70);
    card.opacitySlider()->setValue(100);  // one drag
    card.colourWell()->openDialog();
    ASSERT_NE(card.colourWell()->dialog(), nullptr);
    card.colourWell()->dialog()->setCurrentColor(QColor(255, 0, 0));
    card.colourWell()->dialog()->close();
    card.sizeBox()->setValue(6);
    QColor centre = stage.at(0);
    EXPECT_GT(centre.red(), 230);
    EXPECT_LT(centre.blue(), 30);
    EXPECT_TRUE(isRecording(stage.at(14)));
    TapStyle expected;
    expected.sizePercent = 6;
    expected.colour = Rgba{255, 0, 0, 255};
    expected.opacity = 1;
    EXPECT_EQ(state.tapStyle(), expected);
    EXPECT_EQ(exported().taps, expected);
    EXPECT_EQ(exported().touches, state.touchTrack());

    // A larger circle reaches there; out of range is held to what the export accepts.
    card.sizeBox()->setValue(30);
    EXPECT_FALSE(isRecording(stage.at(14)));
    editTapStyle(state, TapStyle{true, 500, expected.colour, 1}, TapStyleProperty::size);
    EXPECT_EQ(state.tapStyle().sizePercent, kMaxTapSizePercent);
    EXPECT_EQ(card.sizeBox()->value(), kMaxTapSizePercent);

    // Off: nothing drawn, nothing exported; the look's controls are shut.
    card.showBox()->setChecked(false);
    EXPECT_TRUE(isRecording(stage.at(0)));
    EXPECT_FALSE(exported().taps.enabled);
    EXPECT_FALSE(card.sizeBox()->isEnabled());

    // Each control's change is one edit: the size steps merge, the drag is one, and the card
    // follows without making edits of its own.
    QUndoStack& undo = state.history().stack();
    EXPECT_EQ(undo.count(), 4);  // opacity, colour, size, show
    undo.undo();
    EXPECT_TRUE(card.showBox()->isChecked());
    undo.undo();
    EXPECT_EQ(card.sizeBox()->value(), TapStyle{}.sizePercent);
    undo.undo();
    EXPECT_EQ(state.tapStyle().colour, TapStyle{}.colour);
    undo.undo();
    EXPECT_EQ(state.tapStyle(), TapStyle{});
    EXPECT_EQ(card.opacitySlider()->value(), 55);
    EXPECT_EQ(exported().taps, TapStyle{});
    EXPECT_EQ(undo.index(), 0);
    EXPECT_EQ(undo.count(), 4);
}

TEST(TapStyleInTheEditor, AProjectKeepsTheLookOfItsTaps) {
    openSettings().clear();
    QTemporaryDir dir;
    const QString movie = test::writeFile(dir.filePath("take.mp4"));
    const QString file = dir.filePath("demo.kestro");
    const TouchTrack taps{
        {{1.0, 100, 200, TouchPhase::down, 0}, {1.1, 100, 200, TouchPhase::up, 0}}};
    TapStyle look;
    look.sizePercent = 12.5;
    look.colour = Rgba{20, 200, 90, 255};
    look.opacity = 0.8;
    {
        EditorState state(std::make_unique<FakeBackend>());
        ProjectSession session(state, dir.filePath("recovery.kestro"));
        ASSERT_TRUE(test::loadAndWait(state, movie));
        state.setTouchTrack(taps);
        editTapStyle(state, look, TapStyleProperty::colour);
        EXPECT_TRUE(session.modified());
        QString error;
        ASSERT_TRUE(session.saveAs(file, &error)) << error.toStdString();
    }

    EditorState state(std::make_unique<FakeBackend>());
    ProjectSession session(state, dir.filePath("recovery.kestro"));
    TapsSection card(state);
    QString error;
    ASSERT_TRUE(session.open(file, &error)) << error.toStdString();
    test::waitForMovie(state);
    EXPECT_EQ(state.tapStyle(), look);
    EXPECT_EQ(state.touchTrack(), taps);
    EXPECT_DOUBLE_EQ(card.sizeBox()->value(), 12.5);
    EXPECT_EQ(card.opacitySlider()->value(), 80);
    EXPECT_EQ(buildExportRequest(state, "/tmp/out.mp4").config.taps, look);
    // Opening is not an edit; changing the look afterwards is.
    EXPECT_FALSE(state.history().canUndo());
    EXPECT_FALSE(session.modified());
    card.showBox()->setChecked(false);
    EXPECT_TRUE(session.modified());

    // A project saved without a look of its own brings the default one back.
    Project plain;
    plain.recording = movie.toStdString();
    ASSERT_TRUE(saveProject(plain, dir.filePath("plain.kestro").toStdString()).ok());
    ASSERT_TRUE(session.open(dir.filePath("plain.kestro"), &error)) << error.toStdString();
    test::waitForMovie(state);
    EXPECT_EQ(state.tapStyle(), TapStyle{});
    EXPECT_TRUE(card.showBox()->isChecked());
}

}  // namespace
}  // namespace kestro
