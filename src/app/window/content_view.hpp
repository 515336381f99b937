#pragma once
// The editor window's content: the preview column on the left (header with the appearance
// toggle, the framed preview, the timeline) and the section cards on the right: a scrolling
// stack ("Source & Frame", "Canvas", "Record Device") over "Export Settings", which is pinned at
// the bottom so the export button is in view at any window height. Everything is drawn from
// the EditorState the view owns; the view also owns the export and recording workflows and
// the panels they show.

#include "app/editor/export_workflow.hpp"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QScrollArea;
class QVBoxLayout;

namespace kestro {

class CanvasSection;
class TapsSection;
class BackgroundImageCache;
class EditorState;
class ExportSection;
class FramePresetPicker;
class ModernButton;
class PreviewStageView;
class RecordingSection;
class RecordingWorkflow;
class RoundIconButton;
class SectionCard;
class SourceSection;
class TimelineSectionView;
class WorkflowDialogs;

class ContentView : public QWidget {
    Q_OBJECT
public:
    // What the window talks to beyond the editor; tests replace these.
    struct Services {
        WorkflowDialogs* dialogs = nullptr;                      // null: the window's own Qt panels
        std::optional<std::vector<std::string>> xcrunLaunchers;  // none: $KESTRO_XCRUN or standard
        ExportWorkflow::Engine engine;  // empty: the application's export engine
    };

    // Takes the state; the window's dialogs are installed unless the state already has some.
    explicit ContentView(std::unique_ptr<EditorState> state, QWidget* parent = nullptr);
    ContentView(std::unique_ptr<EditorState> state, Services services, QWidget* parent = nullptr);
    ~ContentView() override;

    EditorState& state() const { return *state_; }
    ExportWorkflow& exportWorkflow() const { return *exportWorkflow_; }
    RecordingWorkflow& recordingWorkflow() const { return *recordingWorkflow_; }
    PreviewStageView* stage() const { return stage_; }
    TimelineSectionView* timeline() const { return timeline_; }
    FramePresetPicker* framePicker() const;
    ModernButton* importButton() const;
    ModernButton* resetButton() const;
    RoundIconButton* appearanceButton() const { return appearanceButton_; }
    // The right column's scrolling stack of cards, top to bottom (the export card is below it).
    QVBoxLayout* sectionColumn() const { return sectionColumn_; }
    QScrollArea* sectionScroll() const { return scrollArea_; }
    RecordingSection* recordingSection() const { return recordingSection_; }
    SourceSection* sourceSection() const { return sourceSection_; }
    CanvasSection* canvasSection() const { return canvasSection_; }
    TapsSection* tapsSection() const { return tapsSection_; }
    ExportSection* exportSection() const { return exportSection_; }
    QWidget* leftColumn() const { return leftColumn_; }
    QWidget* rightColumn() const { return rightColumn_; }

    static constexpr int kLeftColumnMinWidth = 500;
    static constexpr int kRightColumnWidth = 420;
    static constexpr int kCardSpacing = 14;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void syncAppearance();

    std::unique_ptr<EditorState> state_;
    struct OwnedDialogs;
    std::unique_ptr<OwnedDialogs> dialogs_;
    // Declared after the state so they go first: a running export is cancelled and joined, and
    // a running recorder stop finished, while the state they report to still exists.
    std::unique_ptr<ExportWorkflow> exportWorkflow_;
    std::unique_ptr<RecordingWorkflow> recordingWorkflow_;
    PreviewStageView* stage_ = nullptr;
    BackgroundImageCache* backgroundImages_ = nullptr;
    TimelineSectionView* timeline_ = nullptr;
    RoundIconButton* appearanceButton_ = nullptr;
    QVBoxLayout* sectionColumn_ = nullptr;
    QScrollArea* scrollArea_ = nullptr;
    RecordingSection* recordingSection_ = nullptr;
    SourceSection* sourceSection_ = nullptr;
    CanvasSection* canvasSection_ = nullptr;
    TapsSection* tapsSection_ = nullptr;
    ExportSection* exportSection_ = nullptr;
    QWidget* leftColumn_ = nullptr;
    QWidget* rightColumn_ = nullptr;
};

}  // namespace kestro
