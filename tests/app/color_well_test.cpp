// The colour well: shows the bound colour, writes every change made in its dialog back at once
// (alpha included), follows the bound value, and keeps the colour when it goes and comes back.

#include "app/ui/color_well.hpp"
#include "app/editor/editor_state.hpp"
#include "app/editor/export_workflow.hpp"
#include "app/editor/settings_file.hpp"
#include "app/sections/canvas_section.hpp"
#include "app_fixtures.hpp"

#include <QColorDialog>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(ColorWell, WritesEveryChangeWhileTheDialogIsOpenAndFollowsTheBoundValue) {
    QColor bound(Qt::black);
    int writes = 0;
    ColorWell well([&] { return bound; },
                   [&](const QColor& c) {
                       bound = c;
                       ++writes;
                   });
    EXPECT_EQ(well.color(), QColor(Qt::black));
    EXPECT_FALSE(well.refresh());

    QTest::mouseClick(&well, Qt::LeftButton);
    QColorDialog* dialog = well.dialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->testOption(QColorDialog::ShowAlphaChannel));
    EXPECT_EQ(dialog->currentColor(), QColor(Qt::black));

    dialog->setCurrentColor(QColor(10, 20, 30, 40));
    EXPECT_EQ(bound, QColor(10, 20, 30, 40));
    dialog->setCurrentColor(QColor(200, 100, 50, 255));
    EXPECT_EQ(bound, QColor(200, 100, 50, 255));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(well.color(), bound);

    // A change of the bound value from elsewhere is followed, and is not written back.
    const int written = writes;
    bound = QColor(1, 2, 3);
    EXPECT_TRUE(well.refresh());
    EXPECT_EQ(well.color(), QColor(1, 2, 3));
    EXPECT_EQ(dialog->currentColor(), QColor(1, 2, 3));
    EXPECT_FALSE(well.refresh());
    EXPECT_EQ(writes, written);
}

TEST(ColorWell, ComesWithTheCustomBackgroundAndKeepsTheLastPick) {
    openSettings().clear();
    EditorState state(std::make_unique<test::FakeBackend>());
    CanvasSection section(state);
    EXPECT_TRUE(section.customColorRow()->isHidden());

    state.exportChoices().setExportBackground(ExportBackground::custom);
    EXPECT_FALSE(section.customColorRow()->isHidden());
    ColorWell* well = section.customColorWell();
    well->openDialog();
    well->dialog()->setCurrentColor(QColor(0, 128, 255, 100));
    EXPECT_EQ(state.exportChoices().customBackgroundColor(), QColor(0, 128, 255, 100));

    // Another background closes the well's dialog; the colour is kept for next time.
    state.exportChoices().setExportBackground(ExportBackground::black);
    EXPECT_TRUE(section.customColorRow()->isHidden());
    EXPECT_TRUE(!well->dialog() || !well->dialog()->isVisible());
    state.exportChoices().setExportBackground(ExportBackground::custom);
    EXPECT_EQ(well->color(), QColor(0, 128, 255, 100));

    // A change of the editor's colour from elsewhere reaches the well.
    state.exportChoices().setCustomBackgroundColor(QColor(9, 9, 9));
    EXPECT_EQ(well->color(), QColor(9, 9, 9));
}

}  // namespace
}  // namespace kestro
