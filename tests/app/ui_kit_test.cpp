// The interface kit: the floating card (paused while hidden) and the frame preset menu.

#include "app/editor/editor_state.hpp"
#include "app/preview/empty_state_card.hpp"
#include "app/sections/frame_preset_picker.hpp"
#include "app/ui/floating_animation.hpp"
#include "app_fixtures.hpp"

#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace kestro {
namespace {

// The empty-state card bobs within two points while shown, and resumes where it paused.
TEST(EmptyStateCard, BobsOnlyWhileShown) {
    EmptyStateCard card;
    card.resize(card.sizeFor(400));
    const FloatingAnimation& floating = *card.floating();
    EXPECT_FALSE(floating.isFloating());
    EXPECT_DOUBLE_EQ(floating.offset(), 2);
    card.show();
    QTest::qWait(300);
    EXPECT_LT(floating.offset(), 2);
    EXPECT_GE(floating.offset(), -2);
    card.hide();
    EXPECT_FALSE(floating.isFloating());
    const qreal stopped = floating.offset();
    QTest::qWait(300);
    EXPECT_EQ(floating.offset(), stopped);
    card.show();
    QTest::qWait(300);
    EXPECT_NE(floating.offset(), stopped);
}

// --- The frame preset menu --------------------------------------------------------------------

TEST(FramePresetPicker, NoFrameFirstThenOneTitledSectionPerFamilyAndAChoiceApplies) {
    EditorState state(std::make_unique<test::FakeBackend>());
    FramePresetPicker picker(state);
    const auto actions = picker.menu()->actions();
    ASSERT_FALSE(actions.isEmpty());
    EXPECT_EQ(actions[0]->data().toString(), "");  // no frame
    EXPECT_EQ(actions[0]->text(), FramePresetPicker::noFrameText());
    QStringList layout;
    for (QAction* a : actions.mid(1))
        layout << (a->property("sectionTitle").toBool() ? "# " + a->text() : a->data().toString());
    EXPECT_EQ(layout,
              (QStringList{QString::fromUtf8("# 📱 iPhone 15 Series"), test::kBrokenKey,
                           QString::fromUtf8("# 📱 iPhone 16 Series"), test::kProKey,
                           QString::fromUtf8("# 📱 iPhone Air"), test::kOpaqueKey,
                           QString::fromUtf8("# 📱 Other"), "Frames/iphone14_red_portrait",
                           QString()}));
    EXPECT_EQ(actions.back()->text(), FramePresetPicker::addFolderText());

    // Choosing an entry applies it; the outline goes once a frame is loaded.
    EXPECT_TRUE(picker.showsPrompt());
    EXPECT_TRUE(picker.attentionOutlineVisible());
    QAction* pro = nullptr;
    for (QAction* a : picker.menu()->actions())
        if (a->data().toString() == test::kProKey) pro = a;
    ASSERT_NE(pro, nullptr);
    pro->trigger();
    EXPECT_EQ(state.frame().framePreset(), test::kProKey);
    test::waitForFrame(state);
    EXPECT_NE(state.frame().frameImage(), nullptr);
    EXPECT_FALSE(picker.showsPrompt());
    EXPECT_EQ(picker.text(), "iPhone 16 Pro Black");
    EXPECT_FALSE(picker.attentionOutlineVisible());
    EXPECT_EQ(state.frame().scale(), 100);
    // "No Frame" takes the frame away; the picker asks for one again.
    picker.menu()->actions()[0]->trigger();
    EXPECT_EQ(state.frame().framePreset(), "");
    EXPECT_EQ(state.frame().frameImage(), nullptr);
    EXPECT_TRUE(picker.showsPrompt());
    EXPECT_TRUE(picker.menu()->actions()[0]->isChecked());
}

}  // namespace
}  // namespace kestro
