// The frame the editor shows for a recording: turned for a landscape recording (and exported
// turned), chosen by the recording's size on import, the user's own frames folders in the
// picker, and a PNG of the picture shown now.

#include "app/editor/editor_state.hpp"
#include "app/editor/export_workflow.hpp"
#include "app/sections/frame_preset_picker.hpp"
#include "app/editor/settings_file.hpp"
#include "app_fixtures.hpp"
#include "core/model/png.hpp"
#include "support/movie_fixtures.hpp"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace kestro {
namespace {

using test::FakeBackend;
using test::loadAndWait;

class FrameChoicesTest : public ::testing::Test {
protected:
    void SetUp() override { openSettings().clear(); }

    std::unique_ptr<EditorState> editorWith(int width, int height, const QString& name = "m.mp4") {
        auto backend = std::make_unique<FakeBackend>();
        const QString movie = test::writeFile(dir.filePath(name));
        backend->movies[movie.toStdString()] = {MovieFacts{true, true, 4.0}, std::nullopt, width,
                                                height};
        auto s = std::make_unique<EditorState>(std::move(backend));
        EXPECT_TRUE(loadAndWait(*s, movie));
        return s;
    }
    QTemporaryDir dir;
};

TEST_F(FrameChoicesTest, ALandscapeRecordingTurnsTheFrameForPreviewAndExportAlike) {
    auto s = editorWith(1920, 1080);
    s->frame().setFramePreset(test::kProKey);
    test::waitForFrame(*s);
    ASSERT_NE(s->frame().frameImage(), nullptr);
    // Turned with the device's top to the left: the 100 x 200 frame's opening (columns 10..89,
    // rows 20..169) becomes columns 20..169, rows 10..89 of a 200 x 100 image.
    EXPECT_EQ(s->frame().frameImage()->width, 200);
    EXPECT_EQ(s->frame().frameImage()->height, 100);
    EXPECT_EQ(s->frame().screenRect(), (ScreenRect{10, 10, 75, 80}));
    const ExportRequest request = buildExportRequest(*s, "/tmp/out.mp4");
    EXPECT_EQ(request.frame, s->frame().frameImage());
    EXPECT_GT(request.config.width, request.config.height);

    // Portrait asked for: upright again, with its own opening.
    QSignalSpy changed(&s.get()->frame(), &FrameSelection::frameOrientationChanged);
    s->frame().setFrameOrientation(FrameOrientation::portrait);
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(s->frame().frameImage()->width, 100);
    EXPECT_EQ(s->frame().screenRect(), (ScreenRect{10, 15, 80, 75}));
}

// The frame is turned on the pool for the orientation asked for when its load began; a turn
// asked for while it loads wins over the picture made for the earlier one.
TEST_F(FrameChoicesTest, AnOrientationChosenWhileTheFrameLoadsIsTheOneShown) {
    auto s = editorWith(1920, 1080);
    for (const FrameOrientation chosen : {FrameOrientation::portrait, FrameOrientation::landscape}) {
        SCOPED_TRACE(::testing::Message() << rawValue(chosen));
        s->frame().setFramePreset(QString());
        s->frame().setFrameOrientation(FrameOrientation::automatic);  // landscape, as recorded
        s->frame().setFramePreset(test::kProKey);
        ASSERT_TRUE(s->frame().frameLoading());
        s->frame().setFrameOrientation(chosen);
        test::waitForFrame(*s);
        ASSERT_NE(s->frame().frameImage(), nullptr);
        const bool landscape = chosen == FrameOrientation::landscape;
        EXPECT_EQ(s->frame().frameImage()->width, landscape ? 200 : 100);
        EXPECT_EQ(s->frame().frameImage()->height, landscape ? 100 : 200);
        EXPECT_EQ(s->frame().screenRect(),
                  landscape ? (ScreenRect{10, 10, 75, 80}) : (ScreenRect{10, 15, 80, 75}));
        s->frame().setFrameOrientation(FrameOrientation::automatic);
    }
}

TEST_F(FrameChoicesTest, ARecordingOfADevicesScreenSizeGetsThatDevicesFrame) {
    // 1206 x 2622 is an iPhone 16 Pro's screen, and the fixtures hold an iPhone 16 Pro frame.
    auto s = editorWith(1206, 2622);
    EXPECT_EQ(s->frame().framePreset(), test::kProKey);
    // Any other size keeps the choice (none here).
    auto other = editorWith(1000, 2000, "other.mp4");
    EXPECT_TRUE(other->frame().framePreset().isEmpty());
}

TEST_F(FrameChoicesTest, AFramesFolderJoinsThePickerAndIsRemembered) {
    auto s = editorWith(1000, 2000);
    const QString folder = dir.filePath("pack");
    ASSERT_TRUE(QDir().mkpath(folder));
    Image device = Image::filled(100, 200, {30, 30, 30, 255});
    device.fillRect(10, 20, 80, 150, {});
    ASSERT_TRUE(savePng(device, (folder + "/studio_phone.png").toStdString()));
    QFile broken(folder + "/broken.png");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("no");
    broken.close();

    FramePresetPicker picker(*s);
    picker.addFramesFolder(folder);
    const auto mine = std::count_if(picker.catalog().begin(), picker.catalog().end(),
                                    [](const FramePreset& p) { return p.userFrame; });
    EXPECT_EQ(mine, 1);
    ASSERT_EQ(picker.skippedFrames().size(), 1);
    EXPECT_TRUE(picker.skippedFrames().front().startsWith("broken.png"));
    EXPECT_EQ(FramePresetPicker::savedFramesFolders(), QStringList{folder});

    // The next picker (the next start) lists it again; choosing it loads it as the frame.
    FramePresetPicker again(*s);
    const auto it = std::find_if(again.catalog().begin(), again.catalog().end(),
                                 [](const FramePreset& p) { return p.userFrame; });
    ASSERT_NE(it, again.catalog().end());
    EXPECT_EQ(it->label, "Studio Phone");
    for (QAction* action : again.menu()->actions()) {
        if (action->data().toString() == QString::fromStdString(it->key)) action->trigger();
    }
    test::waitForFrame(*s);
    ASSERT_NE(s->frame().frameImage(), nullptr);
    EXPECT_EQ(s->frame().framePreset(), QString::fromStdString(it->key));
}

TEST_F(FrameChoicesTest, ThePngOfTheCurrentFrameIsTheFramedPictureAtThePlayheadTime) {
    const QString movie = dir.filePath("source.mp4");
    ASSERT_FALSE(
        test::makeSolidMovie(movie.toStdString(), 40, 160, 220, {.width = 90, .height = 160})
            .empty());
    auto backend = std::make_unique<FakeBackend>();
    backend->movies[movie.toStdString()] = {MovieFacts{true, true, 1.0}, std::nullopt, 90, 160};
    EditorState s(std::move(backend));
    ASSERT_TRUE(loadAndWait(s, movie));
    s.exportChoices().setExportBackground(ExportBackground::transparent);
    test::ScriptedWorkflowDialogs dialogs;
    dialogs.exportDestination = dir.filePath("poster");
    ExportWorkflow workflow(s, &dialogs);
    QSignalSpy finished(&workflow, &ExportWorkflow::exportFinished);
    workflow.startStillExport();
    ASSERT_TRUE(finished.wait(60000));
    ASSERT_TRUE(finished.front().front().toBool()) << workflow.progressText().toStdString();
    EXPECT_EQ(dialogs.proposedExportNames.back(), "kestro-frame.png");
    const auto picture = loadPng((dir.filePath("poster.png")).toStdString());
    ASSERT_TRUE(picture.has_value());
    EXPECT_TRUE(
        test::near(picture->at(picture->width / 2, picture->height / 2), {40, 160, 220, 255}, 8));
}

}  // namespace
}  // namespace kestro
