#include "app/sections/export_section.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/export_workflow.hpp"
#include "app/sections/export_progress_area.hpp"
#include "app/sections/segmented_picker.hpp"
#include "app/ui/color_well.hpp"
#include "app/ui/export_resolution_selector.hpp"
#include "app/ui/labeled_control.hpp"
#include "app/ui/modern_button.hpp"

#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace kestro {
namespace {

QStringList labelsOf(const auto& cases) {
    QStringList labels;
    for (const auto c : cases) {
        const std::string_view text = label(c);
        labels << QString::fromUtf8(text.data(), qsizetype(text.size()));
    }
    return labels;
}

}  // namespace

ExportSection::ExportSection(EditorState& state, ExportWorkflow& workflow, QWidget* parent)
    : SectionCard(QStringLiteral("arrow.down.doc.fill"), QStringLiteral("Export Settings"), parent),
      state_(state),
      workflow_(workflow) {
    using Style = ModernButtonStyle;

    format_ = new SegmentedPicker(labelsOf(allExportFormats()), this);
    format_->setAccessibleName(QStringLiteral("Format"));
    body()->addWidget(new LabeledControl(QStringLiteral("Format"), format_, this));

    background_ = new SegmentedPicker(labelsOf(allExportBackgrounds()), this);
    background_->setAccessibleName(QStringLiteral("Background"));
    body()->addWidget(new LabeledControl(QStringLiteral("Background"), background_, this));

    // The well comes and goes with the custom background; the slot keeps its place in order.
    wellSlot_ = new QWidget(this);
    auto* wellRow = new QHBoxLayout(wellSlot_);
    wellRow->setContentsMargins(0, 0, 0, 0);
    wellRow->addStretch(1);
    body()->addWidget(wellSlot_);

    resolution_ = new ExportResolutionSelector(state_.selectedExportResolution(), this);
    body()->addWidget(resolution_);

    auto* buttons = new QVBoxLayout();
    buttons->setSpacing(12);
    export_ =
        new ModernButton(QStringLiteral("arrow.down.doc.fill"), QStringLiteral("Export Video"),
                         Style{Style::Variant::primary, Style::Size::large}, this);
    export_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    cancel_ = new ModernButton(QStringLiteral("xmark.circle"), QStringLiteral("Cancel Export"),
                               Style{Style::Variant::destructive, Style::Size::small}, this);
    buttons->addWidget(export_);
    buttons->addWidget(cancel_, 0, Qt::AlignLeft);
    body()->addLayout(buttons);

    progress_ = new ExportProgressArea(this);
    body()->addWidget(progress_);

    connect(format_, &SegmentedPicker::indexChosen, this,
            [this](int i) { state_.setOutputFormat(allExportFormats()[std::size_t(i)]); });
    connect(background_, &SegmentedPicker::indexChosen, this,
            [this](int i) { state_.setExportBackground(allExportBackgrounds()[std::size_t(i)]); });
    connect(resolution_, &ExportResolutionSelector::resolutionChosen, &state_,
            &EditorState::setSelectedExportResolution);
    // Queued, so the click has finished before the save panel opens.
    connect(export_, &QAbstractButton::clicked, &workflow_,
            [this] { QTimer::singleShot(0, &workflow_, &ExportWorkflow::startExport); });
    connect(cancel_, &QAbstractButton::clicked, &workflow_, &ExportWorkflow::requestExportCancel);

    connect(&state_, &EditorState::outputFormatChanged, this, &ExportSection::syncFormat);
    connect(&state_, &EditorState::exportBackgroundChanged, this, &ExportSection::syncBackground);
    connect(&state_, &EditorState::customBackgroundColorChanged, this, [this] {
        if (well_) well_->refresh();
    });
    connect(&state_, &EditorState::selectedExportResolutionChanged, resolution_,
            &ExportResolutionSelector::setSelectedResolution);
    connect(&state_, &EditorState::videoPathChanged, this, &ExportSection::syncExport);
    connect(&state_, &EditorState::exportingChanged, this, &ExportSection::syncExport);
    for (auto signal : {&EditorState::durationChanged, &EditorState::trimStartChanged,
                        &EditorState::trimEndChanged})
        connect(&state_, signal, this, &ExportSection::syncExport);
    connect(&state_, &EditorState::exportingChanged, this, &ExportSection::syncProgress);
    connect(&state_, &EditorState::exportProgressTextChanged, this, &ExportSection::syncProgress);
    connect(&state_, &EditorState::exportProgressChanged, this, &ExportSection::syncProgress);
    connect(&workflow_, &ExportWorkflow::outcomeChanged, this, &ExportSection::syncProgress);

    syncFormat();
    syncBackground();
    syncExport();
    syncProgress();
}

void ExportSection::syncFormat() {
    const auto& all = allExportFormats();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] == state_.outputFormat()) format_->setCurrentIndex(int(i));
}

void ExportSection::syncBackground() {
    const auto& all = allExportBackgrounds();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i] == state_.exportBackground()) background_->setCurrentIndex(int(i));

    const bool custom = state_.exportBackground() == ExportBackground::custom;
    if (custom && !well_) {
        well_ = new ColorWell([this] { return state_.customBackgroundColor(); },
                              [this](const QColor& c) { state_.setCustomBackgroundColor(c); },
                              wellSlot_);
        static_cast<QHBoxLayout*>(wellSlot_->layout())->insertWidget(0, well_);
    } else if (!custom && well_) {
        // The well and its dialog go; the colour stays in the editor for next time.
        delete well_;
        well_ = nullptr;
    }
    wellSlot_->setVisible(custom);
}

void ExportSection::syncExport() {
    const bool exporting = state_.exporting();
    export_->setEnabled(state_.videoPath().has_value() && !exporting &&
                        workflow_.hasValidTrimRange());
    export_->setBusy(exporting);
    export_->setText(exporting ? QStringLiteral("Exporting...") : QStringLiteral("Export Video"));
    cancel_->setVisible(exporting);
}

void ExportSection::syncProgress() {
    progress_->setExporting(state_.exporting());
    progress_->setText(state_.exportProgressText());
    progress_->setProgress(state_.exportProgress());
    progress_->setOutcome(workflow_.lastOutcome());
    progress_->setVisible(!state_.exportProgressText().isEmpty());
}

}  // namespace kestro
