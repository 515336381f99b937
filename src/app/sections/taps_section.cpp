#include "app/sections/taps_section.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/tap_style_editing.hpp"
#include "app/ui/color_well.hpp"
#include "app/ui/disabled_fade.hpp"
#include "app/ui/labeled_control.hpp"
#include "app/ui/palette.hpp"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kestro {
namespace {

QColor qColor(const Rgba& c) {
    return QColor(c.r, c.g, c.b, c.a);
}

Rgba rgbaOf(const QColor& color) {
    const QColor rgb = color.toRgb();
    return Rgba{std::uint8_t(rgb.red()), std::uint8_t(rgb.green()), std::uint8_t(rgb.blue()),
                std::uint8_t(rgb.alpha())};
}

QString percentText(int percent) {
    return QStringLiteral("%1 %").arg(percent);
}

// The touches counted as the viewer sees them: one per finger put down.
int tapCount(const TouchTrack& track) {
    return int(std::count_if(track.touches.begin(), track.touches.end(),
                             [](const TouchPoint& p) { return p.phase == TouchPhase::down; }));
}

}  // namespace

TapsSection::TapsSection(EditorState& state, QWidget* parent)
    : SectionCard(QStringLiteral("hand.tap"), QStringLiteral("Taps"), parent), state_(state) {
    show_ = new QCheckBox(QStringLiteral("Draw taps over the recording"), this);
    show_->setFont(textFont(TextStyle::body));
    show_->setToolTip(QStringLiteral(
        "A soft circle where a finger touches, a ripple where it lifts, a trail along a swipe"));
    fadeWhileDisabled(show_);
    body()->addWidget(show_);

    size_ = new QDoubleSpinBox(this);
    size_->setRange(kMinTapSizePercent, kMaxTapSizePercent);
    size_->setDecimals(1);
    size_->setSingleStep(1);
    size_->setSuffix(QStringLiteral(" % of width"));
    size_->setMinimumHeight(34);
    size_->setFont(textFont(TextStyle::body));
    size_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    size_->setAccessibleName(QStringLiteral("Tap size"));
    size_->setToolTip(QStringLiteral("The circle's diameter, in percent of the recording's width"));
    fadeWhileDisabled(size_);

    colour_ = new ColorWell([this] { return qColor(state_.tapStyle().colour); },
                            [this](const QColor& c) {
                                TapStyle style = state_.tapStyle();
                                style.colour = rgbaOf(c);
                                editTapStyle(state_, style, TapStyleProperty::colour);
                            },
                            this);
    colour_->setAccessibleName(QStringLiteral("Tap colour"));
    colour_->setDialogTitle(QStringLiteral("Tap Colour"));
    colour_->setToolTip(QStringLiteral("The taps' colour"));
    fadeWhileDisabled(colour_);

    auto* looks = new QGridLayout();
    looks->setHorizontalSpacing(12);
    looks->setColumnStretch(0, 1);
    looks->addWidget(new LabeledControl(QStringLiteral("Size"), size_, this), 0, 0);
    looks->addWidget(new LabeledControl(QStringLiteral("Colour"), colour_, this), 0, 1);
    body()->addLayout(looks);

    opacity_ = new QSlider(Qt::Horizontal, this);
    opacity_->setRange(0, 100);
    opacity_->setPageStep(10);
    opacity_->setAccessibleName(QStringLiteral("Tap opacity"));
    opacity_->setToolTip(QStringLiteral("How strongly the taps show over the recording"));
    fadeWhileDisabled(opacity_);
    opacityText_ = new QLabel(this);
    opacityText_->setFont(textFont(TextStyle::body));
    opacityText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for "100 %", so the slider does not move as the number changes.
    opacityText_->setMinimumWidth(opacityText_->fontMetrics().horizontalAdvance(percentText(100)) +
                                  4);
    fadeWhileDisabled(opacityText_);
    auto* opacityRow = new QWidget(this);
    auto* opacityLayout = new QHBoxLayout(opacityRow);
    opacityLayout->setContentsMargins(0, 0, 0, 0);
    opacityLayout->setSpacing(10);
    opacityLayout->addWidget(opacity_, 1);
    opacityLayout->addWidget(opacityText_);
    body()->addWidget(new LabeledControl(QStringLiteral("Opacity"), opacityRow, this));

    note_ = new QLabel(this);
    note_->setWordWrap(true);
    note_->setFont(textFont(TextStyle::caption));
    body()->addWidget(note_);
    restyleNote();

    connect(show_, &QCheckBox::toggled, this, [this](bool on) {
        if (syncing_) return;
        TapStyle style = state_.tapStyle();
        style.enabled = on;
        editTapStyle(state_, style, TapStyleProperty::shown);
    });
    connect(size_, &QDoubleSpinBox::valueChanged, this, [this](double percent) {
        if (syncing_) return;
        TapStyle style = state_.tapStyle();
        style.sizePercent = percent;
        editTapStyle(state_, style, TapStyleProperty::size);
    });
    connect(opacity_, &QSlider::valueChanged, this, [this](int percent) {
        opacityText_->setText(percentText(percent));
        if (syncing_) return;
        TapStyle style = state_.tapStyle();
        style.opacity = percent / 100.0;
        editTapStyle(state_, style, TapStyleProperty::opacity);
    });
    connect(&state_, &EditorState::tapStyleChanged, this, &TapsSection::sync);
    connect(&state_, &EditorState::touchTrackChanged, this, &TapsSection::sync);
    connect(&state_.playback(), &PlaybackSession::videoPathChanged, this, &TapsSection::sync);
    sync();
}

void TapsSection::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) restyleNote();
    SectionCard::changeEvent(event);
}

void TapsSection::restyleNote() {
    QPalette p = note_->palette();
    p.setColor(QPalette::WindowText, Palette::current().secondaryText);
    note_->setPalette(p);
}

void TapsSection::sync() {
    syncing_ = true;
    const TapStyle& style = state_.tapStyle();
    show_->setChecked(style.enabled);
    // A value between the spin box's steps (from a project or the command line) is kept as it
    // is until the user changes it.
    if (std::abs(size_->value() - style.sizePercent) >= 0.05) size_->setValue(style.sizePercent);
    colour_->refresh();
    const int percent = int(std::lround(style.opacity * 100));
    opacity_->setValue(percent);
    opacityText_->setText(percentText(percent));
    for (QWidget* w : std::initializer_list<QWidget*>{size_, colour_, opacity_, opacityText_})
        w->setEnabled(style.enabled);

    const int taps = tapCount(state_.touchTrack());
    if (!state_.playback().videoPath()) {
        note_->setText(QStringLiteral("A recording's touches are drawn over it in this look."));
    } else if (taps == 0) {
        note_->setText(QStringLiteral(
            "This recording has no touches. Alt-click the preview to add a tap at the playhead."));
    } else {
        note_->setText(taps == 1 ? QStringLiteral("1 tap in this recording.")
                                 : QStringLiteral("%1 taps in this recording.").arg(taps));
    }
    syncing_ = false;
}

}  // namespace kestro
