// The interface kit: the pressed look of buttons, the status dot, the floating
// animation (paused while hidden), the resolution menu, and the frame preset menu with its groups
// and badge.

#include "app/editor/editor_state.hpp"
#include "app/preview/empty_state_card.hpp"
#include "app/ui/floating_animation.hpp"
#include "app/ui/menu_picker.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/status_indicator.hpp"
#include "app/window/frame_preset_picker.hpp"
#include "app_fixtures.hpp"

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kestro {
namespace {

using Style = ModernButtonStyle;

TEST(ModernButton, PressingShrinksAndFadesAndReleasingRestores) {
    ModernButton button("Export", Style{});
    button.resize(button.sizeHint());
    button.show();
    EXPECT_DOUBLE_EQ(button.currentScale(), 1.0);
    QTest::mousePress(&button, Qt::LeftButton);
    QTest::qWait(Style::kPressAnimationMs + 100);
    EXPECT_NEAR(button.currentScale(), 0.96, 1e-9);
    EXPECT_NEAR(button.currentOpacity(), 0.9, 1e-9);
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseRelease(&button, Qt::LeftButton);
    QTest::qWait(Style::kPressAnimationMs + 100);
    EXPECT_DOUBLE_EQ(button.currentScale(), 1.0);
    EXPECT_EQ(clicked.size(), 1);
}

TEST(StatusIndicator, TheDotFollowsTheRecordingState) {
    EXPECT_EQ(StatusIndicator::dotColor(RecordingState::recording), Palette::current().danger);
    EXPECT_EQ(StatusIndicator::dotColor(RecordingState::idle), Palette::current().secondaryText);
    EXPECT_EQ(StatusIndicator::dotColor(RecordingState::recorded), Palette::current().success);
}

TEST(FloatingAnimation, StartsAtRestBobsWithinTwoPointsAndResumesWhereItPaused) {
    FloatingAnimation floating;
    floating.pause();  // before the start: nothing to pause
    EXPECT_FALSE(floating.isFloating());
    EXPECT_DOUBLE_EQ(floating.offset(), 2);
    floating.start();
    EXPECT_TRUE(floating.isFloating());
    QTest::qWait(300);
    EXPECT_LT(floating.offset(), 2);
    EXPECT_GE(floating.offset(), -2);
    floating.pause();
    EXPECT_FALSE(floating.isFloating());
    const qreal stopped = floating.offset();
    QTest::qWait(300);
    EXPECT_EQ(floating.offset(), stopped);
    floating.start();
    EXPECT_TRUE(floating.isFloating());
    QTest::qWait(300);
    EXPECT_NE(floating.offset(), stopped);
}

TEST(EmptyStateCard, BobsOnlyWhileShown) {
    EmptyStateCard card;
    card.resize(card.sizeFor(400));
    EXPECT_FALSE(card.floating()->isFloating());
    card.show();
    EXPECT_TRUE(card.floating()->isFloating());
    card.hide();
    EXPECT_FALSE(card.floating()->isFloating());
    card.show();
    EXPECT_TRUE(card.floating()->isFloating());
}

// --- The frame preset menu --------------------------------------------------------------------

TEST(FramePresetPicker, PromptFirstThenOneTitledSectionPerFamily) {
    EditorState state(std::make_unique<test::FakeBackend>());
    FramePresetPicker picker(state);
    const auto actions = picker.menu()->actions();
    ASSERT_FALSE(actions.isEmpty());
    EXPECT_EQ(actions[0]->data().toString(), "");  // the prompt
    QStringList layout;
    for (QAction* a : actions.mid(1))
        layout << (a->property("sectionTitle").toBool() ? "# " + a->text() : a->data().toString());
    EXPECT_EQ(layout,
              (QStringList{QString::fromUtf8("# 📱 iPhone 15 Series"), test::kBrokenKey,
                           QString::fromUtf8("# 📱 iPhone 16 Series"), test::kProKey,
                           QString::fromUtf8("# 📱 iPhone Air"), test::kOpaqueKey,
                           QString::fromUtf8("# 📱 Other"), "Frames/iphone14_red_portrait"}));
    EXPECT_TRUE(FramePresetPicker::showsProBadge("iPhone 16 Pro Black"));
    EXPECT_FALSE(FramePresetPicker::showsProBadge("iPhone Air Sky Blue"));
}

TEST(FramePresetPicker, ChoosingAnEntryAppliesItAndTheOutlineGoesOnceAFrameIsLoaded) {
    EditorState state(std::make_unique<test::FakeBackend>());
    FramePresetPicker picker(state);
    EXPECT_TRUE(picker.showsPrompt());
    EXPECT_TRUE(picker.attentionOutlineVisible());
    QAction* pro = nullptr;
    for (QAction* a : picker.menu()->actions())
        if (a->data().toString() == test::kProKey) pro = a;
    ASSERT_NE(pro, nullptr);
    pro->trigger();
    EXPECT_EQ(state.framePreset(), test::kProKey);
    test::waitForFrame(state);
    EXPECT_NE(state.frameImage(), nullptr);
    EXPECT_FALSE(picker.showsPrompt());
    EXPECT_EQ(picker.text(), "iPhone 16 Pro Black");
    EXPECT_FALSE(picker.attentionOutlineVisible());
    EXPECT_EQ(state.scale(), 100);
    // The prompt entry selects nothing and keeps the frame.
    picker.menu()->actions()[0]->trigger();
    EXPECT_EQ(state.framePreset(), "");
    EXPECT_NE(state.frameImage(), nullptr);
    EXPECT_TRUE(picker.showsPrompt());
}

TEST(MenuPicker, ClickingOpensTheMenuThroughTheInjectedPopup) {
    MenuPicker picker;
    picker.resize(200, 34);
    int popups = 0;
    picker.setPopupHandler([&](QMenu*, QPoint) { ++popups; });
    QTest::mouseClick(&picker, Qt::LeftButton);
    EXPECT_EQ(popups, 1);
}

}  // namespace
}  // namespace kestro
