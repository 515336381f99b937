#include "app/sections/placement_controls.hpp"

#include "app/editor/editor_state.hpp"
#include "app/ui/disabled_fade.hpp"
#include "app/ui/labeled_control.hpp"
#include "app/ui/palette.hpp"

#include <QGridLayout>
#include <QSpinBox>

#include <cmath>

namespace kestro {
namespace {

QSpinBox* percentBox(int minimum, int maximum, const QString& name, const QString& tip,
                     QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(minimum, maximum);
    box->setSuffix(QStringLiteral(" %"));
    box->setMinimumHeight(34);
    box->setFont(textFont(TextStyle::body));
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    box->setAccessibleName(name);
    box->setToolTip(tip);
    // Typing "150" should not pass through 1 and 15 on its way.
    box->setKeyboardTracking(false);
    fadeWhileDisabled(box);
    return box;
}

}  // namespace

PlacementControls::PlacementControls(EditorState& state, QWidget* parent)
    : QWidget(parent), state_(state) {
    scale_ =
        percentBox(10, 400, QStringLiteral("Scale"),
                   QStringLiteral("Size of the recording in the screen; 100 % fills it"), this);
    scale_->setSingleStep(5);
    offsetX_ = percentBox(-100, 100, QStringLiteral("Offset X"),
                          QStringLiteral("Moves the recording right (negative: left)"), this);
    offsetY_ = percentBox(-100, 100, QStringLiteral("Offset Y"),
                          QStringLiteral("Moves the recording down (negative: up)"), this);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(12);
    grid->addWidget(new LabeledControl(QStringLiteral("Scale"), scale_, this), 0, 0);
    grid->addWidget(new LabeledControl(QStringLiteral("X"), offsetX_, this), 0, 1);
    grid->addWidget(new LabeledControl(QStringLiteral("Y"), offsetY_, this), 0, 2);

    for (QSpinBox* box : {scale_, offsetX_, offsetY_})
        connect(box, &QSpinBox::valueChanged, this, &PlacementControls::apply);
    connect(&state_.frame(), &FrameSelection::placementChanged, this, &PlacementControls::sync);
    connect(&state_.exportChoices(), &ExportChoicesStore::appStorePreviewChanged, this,
            &PlacementControls::sync);
    sync();
}

void PlacementControls::apply() {
    if (syncing_) return;
    state_.frame().setPlacement(scale_->value(), offsetX_->value(), offsetY_->value());
}

void PlacementControls::sync() {
    syncing_ = true;
    scale_->setValue(int(std::lround(state_.frame().scale())));
    offsetX_->setValue(int(std::lround(state_.frame().offsetX())));
    offsetY_->setValue(int(std::lround(state_.frame().offsetY())));
    setEnabled(!state_.exportChoices().appStorePreview());
    syncing_ = false;
}

}  // namespace kestro
