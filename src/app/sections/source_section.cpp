#include "app/sections/source_section.hpp"

#include "app/editor/editor_state.hpp"
#include "app/sections/frame_preset_picker.hpp"
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

    picker_ = new FramePresetPicker(state_, this);
    body()->addWidget(new LabeledControl(QStringLiteral("Device Frame"), picker_, this));

    connect(import_, &QAbstractButton::clicked, &state_, &EditorState::importVideo);
    connect(reset_, &QAbstractButton::clicked, &state_, &EditorState::clearVideo);
    connect(&state_, &EditorState::videoPathChanged, this, &SourceSection::sync);
    connect(&state_, &EditorState::appStorePreviewChanged, this, &SourceSection::sync);
    sync();
}

void SourceSection::sync() {
    reset_->setVisible(state_.videoPath().has_value());
    // The store refuses previews with a device frame: the choice is kept for the other formats.
    const bool store = state_.appStorePreview();
    picker_->setEnabled(!store);
    picker_->setToolTip(store ? QStringLiteral("App Store previews are written without a frame")
                              : QString());
}

}  // namespace kestro
