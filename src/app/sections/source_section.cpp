#include "app/sections/source_section.hpp"

#include "app/editor/editor_state.hpp"
#include "app/sections/frame_preset_picker.hpp"
#include "app/ui/segmented_picker.hpp"
#include "app/ui/labeled_control.hpp"
#include "app/ui/modern_button.hpp"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace kestro {

SourceSection::SourceSection(EditorState& state, QWidget* parent)
    : SectionCard(QStringLiteral("photo.on.rectangle.angled"), QStringLiteral("Source & Frame"),
                  parent),
      state_(state) {
    using Style = ModernButtonStyle;
    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(12);
    import_ =
        new ModernButton(QStringLiteral("square.and.arrow.down"), QStringLiteral("Import Video"),
                         Style{Style::Variant::secondary, Style::Size::medium}, this);
    reset_ = new ModernButton(QStringLiteral("xmark.circle"), QStringLiteral("Reset"),
                              Style{Style::Variant::ghost, Style::Size::medium}, this);
    buttons->addWidget(import_);
    buttons->addWidget(reset_);
    buttons->addStretch(1);
    body()->addLayout(buttons);

    // The frame and which way round it is shown, side by side.
    auto* frameRow = new QWidget(this);
    auto* frameLayout = new QHBoxLayout(frameRow);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->setSpacing(8);
    picker_ = new FramePresetPicker(state_, frameRow);
    orientation_ = new SegmentedPicker(
        {QStringLiteral("Auto"), QStringLiteral("Portrait"), QStringLiteral("Landscape")},
        frameRow);
    orientation_->setAccessibleName(QStringLiteral("Frame Orientation"));
    orientation_->setToolTip(
        QStringLiteral("Auto turns the frame to the recording's shape; landscape puts the "
                       "device's top on the left"));
    frameLayout->addWidget(picker_, 1);
    frameLayout->addWidget(orientation_);
    body()->addWidget(new LabeledControl(QStringLiteral("Device Frame"), frameRow, this));
    connect(orientation_, &SegmentedPicker::indexChosen, this, [this](int index) {
        static constexpr FrameOrientation kChoices[] = {
            FrameOrientation::automatic, FrameOrientation::portrait, FrameOrientation::landscape};
        if (index >= 0 && index < 3) state_.frame().setFrameOrientation(kChoices[index]);
    });
    connect(&state_.frame(), &FrameSelection::frameOrientationChanged, this, &SourceSection::sync);

    connect(import_, &QAbstractButton::clicked, &state_.playback(), &PlaybackSession::importVideo);
    connect(reset_, &QAbstractButton::clicked, &state_.playback(), &PlaybackSession::clearVideo);
    connect(&state_.playback(), &PlaybackSession::videoPathChanged, this, &SourceSection::sync);
    connect(&state_.exportChoices(), &ExportChoicesStore::appStorePreviewChanged, this,
            &SourceSection::sync);
    sync();
}

void SourceSection::sync() {
    reset_->setVisible(state_.playback().videoPath().has_value());
    // The store refuses previews with a device frame: the choice is kept for the other formats.
    const bool store = state_.exportChoices().appStorePreview();
    picker_->setEnabled(!store);
    orientation_->setEnabled(!store);
    orientation_->setCurrentIndex(static_cast<int>(state_.frame().frameOrientation()));
    picker_->setToolTip(store ? QStringLiteral("App Store previews are written without a frame")
                              : QString());
}

}  // namespace kestro
