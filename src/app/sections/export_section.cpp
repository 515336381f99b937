#include "app/sections/export_section.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/export_workflow.hpp"
#include "app/sections/export_progress_area.hpp"
#include "app/ui/choice_picker.hpp"
#include "app/ui/labeled_control.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/utf8_text.hpp"
#include "core/export/export_request.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace kestro {
namespace {

QStringList labelsOf(const auto& cases) {
    QStringList labels;
    for (const auto c : cases) labels << utf8Text(label(c));
    return labels;
}

QStringList rawsOf(const auto& cases) {
    QStringList raws;
    for (const auto c : cases) raws << utf8Text(rawValue(c));
    return raws;
}

// The field shows the size without the store's name, which the row's label already says.
QStringList presetShortTexts() {
    QStringList texts;
    for (const QString& full : labelsOf(allAppStorePresets()))
        texts << QString(full).remove(QStringLiteral("App Store "));
    return texts;
}

template <typename T, std::size_t N>
int indexOf(const std::array<T, N>& all, T value) {
    for (std::size_t i = 0; i < N; ++i)
        if (all[i] == value) return int(i);
    return 0;
}

}  // namespace

ExportSection::ExportSection(EditorState& state, ExportWorkflow& workflow, QWidget* parent)
    : SectionCard(QStringLiteral("arrow.down.doc.fill"), QStringLiteral("Export Settings"), parent),
      state_(state),
      workflow_(workflow) {
    using Style = ModernButtonStyle;

    format_ = new ChoicePicker(labelsOf(allExportFormats())
                                   << QStringLiteral("App Store Preview") << stillFormatText(),
                               {}, this);
    quality_ = new ChoicePicker(labelsOf(allExportQualities()), {}, this);
    QStringList rates{QStringLiteral("Source")};
    for (double fps : kOfferedFrameRates) rates << QString::number(fps);
    frameRate_ = new ChoicePicker(rates, {}, this);
    // The menu names each size in full; the field keeps to the short name.
    resolution_ =
        new ChoicePicker(labelsOf(allExportResolutions()), rawsOf(allExportResolutions()), this);
    preset_ = new ChoicePicker(labelsOf(allAppStorePresets()), presetShortTexts(), this);
    format_->setAccessibleName(QStringLiteral("Format"));
    quality_->setAccessibleName(QStringLiteral("Quality"));
    frameRate_->setAccessibleName(QStringLiteral("Frame rate"));
    resolution_->setAccessibleName(QStringLiteral("Resolution"));
    preset_->setAccessibleName(QStringLiteral("App Store size"));

    // Two rows of two: the wider column for the longer texts (formats, sizes).
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(12);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->addWidget(new LabeledControl(QStringLiteral("Format"), format_, this), 0, 0);
    grid->addWidget(new LabeledControl(QStringLiteral("Quality"), quality_, this), 0, 1);
    resolutionRow_ = new LabeledControl(QStringLiteral("Resolution"), resolution_, this);
    presetRow_ = new LabeledControl(QStringLiteral("App Store Size"), preset_, this);
    grid->addWidget(resolutionRow_, 1, 0);
    grid->addWidget(presetRow_, 1, 0);
    grid->addWidget(new LabeledControl(QStringLiteral("Frame rate"), frameRate_, this), 1, 1);
    body()->addLayout(grid);

    auto* buttons = new QVBoxLayout();
    buttons->setSpacing(10);
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

    connect(format_, &ChoicePicker::indexChosen, this, [this](int i) {
        const auto& formats = allExportFormats();
        still_ = i == int(formats.size()) + 1;
        if (i == int(formats.size())) {
            state_.exportChoices().setAppStorePreview(true);
            return;
        }
        if (!still_) state_.exportChoices().setOutputFormat(formats[std::size_t(i)]);
        state_.exportChoices().setAppStorePreview(false);
        syncChoices();
        syncExport();
    });
    connect(quality_, &ChoicePicker::indexChosen, this, [this](int i) {
        state_.exportChoices().setExportQuality(allExportQualities()[std::size_t(i)]);
    });
    connect(frameRate_, &ChoicePicker::indexChosen, this, [this](int i) {
        state_.exportChoices().setExportFrameRate(
            i == 0 ? std::nullopt : std::optional(kOfferedFrameRates[std::size_t(i - 1)]));
    });
    connect(resolution_, &ChoicePicker::indexChosen, this, [this](int i) {
        state_.exportChoices().setSelectedExportResolution(allExportResolutions()[std::size_t(i)]);
    });
    connect(preset_, &ChoicePicker::indexChosen, this, [this](int i) {
        state_.exportChoices().setAppStorePreset(allAppStorePresets()[std::size_t(i)]);
    });
    // Queued, so the click has finished before the save panel opens.
    connect(export_, &QAbstractButton::clicked, &workflow_, [this] {
        QTimer::singleShot(
            0, &workflow_,
            still_ ? &ExportWorkflow::startStillExport : &ExportWorkflow::startExport);
    });
    connect(cancel_, &QAbstractButton::clicked, &workflow_, &ExportWorkflow::requestExportCancel);

    connect(&state_.exportChoices(), &ExportChoicesStore::appStorePreviewChanged, this,
            &ExportSection::syncChoices);
    connect(&state_.exportChoices(), &ExportChoicesStore::outputFormatChanged, this,
            &ExportSection::syncChoices);
    connect(&state_.exportChoices(), &ExportChoicesStore::appStorePresetChanged, this,
            &ExportSection::syncChoices);
    connect(&state_.exportChoices(), &ExportChoicesStore::exportQualityChanged, this,
            &ExportSection::syncChoices);
    connect(&state_.exportChoices(), &ExportChoicesStore::exportFrameRateChanged, this,
            &ExportSection::syncChoices);
    connect(&state_.exportChoices(), &ExportChoicesStore::selectedExportResolutionChanged, this,
            &ExportSection::syncChoices);
    connect(&state_.playback(), &PlaybackSession::videoPathChanged, this,
            &ExportSection::syncExport);
    connect(&workflow_, &ExportWorkflow::exportingChanged, this, &ExportSection::syncExport);
    for (auto signal : {&PlaybackSession::durationChanged, &PlaybackSession::trimStartChanged,
                        &PlaybackSession::trimEndChanged})
        connect(&state_.playback(), signal, this, &ExportSection::syncExport);
    connect(&workflow_, &ExportWorkflow::exportingChanged, this, &ExportSection::syncProgress);
    connect(&workflow_, &ExportWorkflow::progressTextChanged, this, &ExportSection::syncProgress);
    connect(&workflow_, &ExportWorkflow::progressChanged, this, &ExportSection::syncProgress);
    connect(&workflow_, &ExportWorkflow::outcomeChanged, this, &ExportSection::syncProgress);

    syncChoices();
    syncExport();
    syncProgress();
}

void ExportSection::syncChoices() {
    const bool store = state_.exportChoices().appStorePreview();
    if (store) still_ = false;
    format_->setCurrentIndex(
        store    ? int(allExportFormats().size())
        : still_ ? int(allExportFormats().size()) + 1
                 : indexOf(allExportFormats(), state_.exportChoices().outputFormat()));
    quality_->setCurrentIndex(
        indexOf(allExportQualities(), state_.exportChoices().exportQuality()));
    int rate = 0;
    if (const auto fps = state_.exportChoices().exportFrameRate()) {
        for (std::size_t i = 0; i < kOfferedFrameRates.size(); ++i)
            if (kOfferedFrameRates[i] == *fps) rate = int(i) + 1;
    }
    frameRate_->setCurrentIndex(rate);
    resolution_->setCurrentIndex(
        indexOf(allExportResolutions(), state_.exportChoices().selectedExportResolution()));
    preset_->setCurrentIndex(
        indexOf(allAppStorePresets(), state_.exportChoices().appStorePreset()));
    resolutionRow_->setVisible(!store);
    presetRow_->setVisible(store);
    // A GIF has its own width, small enough for a README; the resolution does not apply.
    const bool gif = !store && state_.exportChoices().outputFormat() == ExportFormat::gif;
    resolution_->setEnabled(!gif);
    if (gif) resolution_->setDisplay(QStringLiteral("%1 px wide").arg(kDefaultGifWidth), false);
}

void ExportSection::syncExport() {
    const bool exporting = workflow_.exporting();
    export_->setEnabled(state_.playback().videoPath().has_value() && !exporting &&
                        workflow_.hasValidTrimRange());
    export_->setBusy(exporting);
    export_->setText(exporting ? QStringLiteral("Exporting...")
                     : still_  ? QStringLiteral("Export PNG")
                               : QStringLiteral("Export Video"));
    cancel_->setVisible(exporting);
}

void ExportSection::syncProgress() {
    progress_->setExporting(workflow_.exporting());
    progress_->setText(workflow_.progressText());
    progress_->setProgress(workflow_.progress());
    progress_->setOutcome(workflow_.lastOutcome());
    progress_->setVisible(!workflow_.progressText().isEmpty());
}

}  // namespace kestro
