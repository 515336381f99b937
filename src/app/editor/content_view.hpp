#pragma once
// The editor window's content: the preview column on the left (header with the appearance
// toggle, the framed preview, the timeline) and a scrolling column of section cards on the
// right. Everything is drawn from the EditorState the view owns.

#include <QWidget>

#include <memory>

class QVBoxLayout;

namespace kestro {

class EditorState;
class FramePresetPicker;
class ModernButton;
class PreviewStageView;
class RoundIconButton;
class SectionCard;
class TimelineSectionView;

class ContentView : public QWidget {
    Q_OBJECT
public:
    // Takes the state; the window's dialogs are installed unless the state already has some.
    explicit ContentView(std::unique_ptr<EditorState> state, QWidget* parent = nullptr);
    ~ContentView() override;

    EditorState& state() const { return *state_; }
    PreviewStageView* stage() const { return stage_; }
    TimelineSectionView* timeline() const { return timeline_; }
    FramePresetPicker* framePicker() const { return framePicker_; }
    ModernButton* importButton() const { return importButton_; }
    ModernButton* resetButton() const { return resetButton_; }
    RoundIconButton* appearanceButton() const { return appearanceButton_; }
    // The right column's stack of cards, top to bottom; sections are inserted here.
    QVBoxLayout* sectionColumn() const { return sectionColumn_; }
    SectionCard* sourceCard() const { return sourceCard_; }

    static constexpr int kLeftColumnMinWidth = 580;
    static constexpr int kRightColumnWidth = 420;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void syncAppearance();
    void syncSource();

    std::unique_ptr<EditorState> state_;
    struct OwnedDialogs;
    std::unique_ptr<OwnedDialogs> dialogs_;
    PreviewStageView* stage_ = nullptr;
    TimelineSectionView* timeline_ = nullptr;
    FramePresetPicker* framePicker_ = nullptr;
    ModernButton* importButton_ = nullptr;
    ModernButton* resetButton_ = nullptr;
    RoundIconButton* appearanceButton_ = nullptr;
    QVBoxLayout* sectionColumn_ = nullptr;
    SectionCard* sourceCard_ = nullptr;
};

}  // namespace kestro
