#include "app/sections/canvas_section.hpp"

#include "app/editor/editor_state.hpp"
#include "app/sections/placement_controls.hpp"
#include "app/ui/choice_picker.hpp"
#include "app/ui/color_well.hpp"
#include "app/ui/disabled_fade.hpp"
#include "app/ui/elided_label.hpp"
#include "app/ui/labeled_control.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/utf8_text.hpp"
#include "core/export/canvas_layout.hpp"
#include "core/model/canvas_aspect.hpp"

#include <QCheckBox>
#include <QColorDialog>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kestro {
namespace {

QStringList backgroundChoices() {
    QStringList choices;
    for (const ExportBackground b : allExportBackgrounds()) choices << utf8Text(label(b));
    return choices << QStringLiteral("Gradient") << QStringLiteral("Image");
}

QStringList aspectChoices() {
    QStringList choices;
    for (const CanvasAspect a : allCanvasAspects()) {
        // "frame" names the device's own shape; the ratios read as they are.
        choices << (a == CanvasAspect::frame ? QStringLiteral("Frame") : utf8Text(rawValue(a)));
    }
    return choices;
}

QColor qColor(const FillColour& c) {
    return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), float(c.alpha));
}

FillColour fillOf(const QColor& color) {
    const QColor rgb = color.toRgb();
    return FillColour{rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

// The first gradient offered: deep blue into teal, running to the bottom right.
LinearGradient defaultGradient() {
    return LinearGradient{fillOf(QColor(0x3a, 0x3f, 0xd9)), fillOf(QColor(0x12, 0xb5, 0xc9)), 135};
}

QSpinBox* makeSpinBox(int maximum, const QString& suffix, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(0, maximum);
    box->setSuffix(suffix);
    box->setMinimumHeight(34);
    box->setFont(textFont(TextStyle::body));
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fadeWhileDisabled(box);
    return box;
}

QWidget* row(QWidget* parent, std::initializer_list<QWidget*> widgets) {
    auto* holder = new QWidget(parent);
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    for (QWidget* w : widgets) layout->addWidget(w);
    return holder;
}

}  // namespace

CanvasSection::CanvasSection(EditorState& state, QWidget* parent)
    : SectionCard(QStringLiteral("canvas.device"), QStringLiteral("Canvas"), parent),
      state_(state),
      lastGradient_(defaultGradient()) {
    using Style = ModernButtonStyle;
    if (const auto& pattern = state_.exportChoices().canvasChoices().pattern) {
        if (const LinearGradient* g = pattern->asGradient()) lastGradient_ = *g;
        if (const BackgroundPicture* p = pattern->asPicture())
            lastImage_ = QString::fromStdString(p->path);
    }

    background_ = new ChoicePicker(backgroundChoices(), {}, this);
    background_->setAccessibleName(QStringLiteral("Background"));
    body()->addWidget(new LabeledControl(QStringLiteral("Background"), background_, this));
    transparencyHint_ = new QLabel(QStringLiteral("MP4 has no transparency: black is used"), this);
    transparencyHint_->setFont(textFont(TextStyle::caption));
    body()->addWidget(transparencyHint_);

    customWell_ = new ColorWell(
        [this] { return state_.exportChoices().customBackgroundColor(); },
        [this](const QColor& c) { state_.exportChoices().setCustomBackgroundColor(c); }, this);
    customRow_ = row(this, {customWell_});
    static_cast<QHBoxLayout*>(customRow_->layout())->addStretch(1);
    body()->addWidget(customRow_);

    // A well for one end of the gradient: it shows that end's colour and changes only it.
    const auto gradientWell = [this](bool end) {
        return new ColorWell(
            [this, end] { return qColor(end ? lastGradient_.to : lastGradient_.from); },
            [this, end](const QColor& c) {
                LinearGradient g = lastGradient_;
                (end ? g.to : g.from) = fillOf(c);
                applyGradient(g);
            },
            this);
    };
    startWell_ = gradientWell(false);
    endWell_ = gradientWell(true);
    // The two colours side by side, each showing its value; the angle under them.
    startWell_->setToolTip(QStringLiteral("Start colour"));
    endWell_->setToolTip(QStringLiteral("End colour"));
    angle_ = makeSpinBox(359, QStringLiteral("°"), this);
    angle_->setWrapping(true);
    angle_->setFixedWidth(110);
    angle_->setAccessibleName(QStringLiteral("Gradient angle"));
    angle_->setToolTip(QStringLiteral("Direction: 0° runs to the top, 90° to the right"));
    auto* angleLabel = new QLabel(QStringLiteral("Angle"), this);
    angleLabel->setFont(textFont(TextStyle::subheadline, QFont::Medium));
    gradientRow_ = new QWidget(this);
    auto* gradientLayout = new QVBoxLayout(gradientRow_);
    gradientLayout->setContentsMargins(0, 0, 0, 0);
    gradientLayout->setSpacing(10);
    QWidget* wells = row(gradientRow_, {startWell_, endWell_});
    static_cast<QHBoxLayout*>(wells->layout())->addStretch(1);
    gradientLayout->addWidget(wells);
    QWidget* angleRow = row(gradientRow_, {angleLabel, angle_});
    static_cast<QHBoxLayout*>(angleRow->layout())->addStretch(1);
    gradientLayout->addWidget(angleRow);
    body()->addWidget(gradientRow_);

    chooseImage_ =
        new ModernButton(QStringLiteral("photo.on.rectangle.angled"), QStringLiteral("Choose…"),
                         Style{Style::Variant::secondary, Style::Size::small}, this);
    imageName_ = new ElidedLabel(this);
    imageName_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    imageRow_ = row(this, {chooseImage_, imageName_});
    body()->addWidget(imageRow_);

    aspect_ = new ChoicePicker(aspectChoices(), {}, this);
    aspect_->setAccessibleName(QStringLiteral("Aspect"));
    padding_ = makeSpinBox(int(kMaximumPaddingPercent), QStringLiteral(" %"), this);
    padding_->setAccessibleName(QStringLiteral("Padding"));
    padding_->setToolTip(QStringLiteral("Room around the device, in percent of the shorter side"));
    auto* shape = new QGridLayout();
    shape->setHorizontalSpacing(12);
    shape->setColumnStretch(0, 3);
    shape->setColumnStretch(1, 2);
    shape->addWidget(new LabeledControl(QStringLiteral("Aspect"), aspect_, this), 0, 0);
    shape->addWidget(new LabeledControl(QStringLiteral("Padding"), padding_, this), 0, 1);
    body()->addLayout(shape);

    shadow_ = new QCheckBox(QStringLiteral("Shadow under the device"), this);
    shadow_->setFont(textFont(TextStyle::body));
    fadeWhileDisabled(shadow_);
    body()->addWidget(shadow_);

    placement_ = new PlacementControls(state_, this);
    body()->addWidget(placement_);

    storeNote_ = new QLabel(
        QStringLiteral("An App Store preview has no frame, shape or shadow: only the colour "
                       "shows around the recording."),
        this);
    storeNote_->setWordWrap(true);
    storeNote_->setFont(textFont(TextStyle::caption));
    body()->addWidget(storeNote_);
    restyleNote();

    connect(background_, &ChoicePicker::indexChosen, this, &CanvasSection::choose);
    connect(angle_, &QSpinBox::valueChanged, this, [this](int degrees) {
        if (syncing_) return;
        LinearGradient g = lastGradient_;
        g.angle = degrees;
        applyGradient(g);
    });
    connect(chooseImage_, &QAbstractButton::clicked, &state_.exportChoices(),
            &ExportChoicesStore::chooseBackgroundImage);
    connect(aspect_, &ChoicePicker::indexChosen, this, [this](int i) {
        CanvasChoices choices = state_.exportChoices().canvasChoices();
        choices.aspect = allCanvasAspects()[std::size_t(i)];
        // Each shape starts from its own room around the device.
        choices.paddingPercent.reset();
        state_.exportChoices().setCanvasChoices(choices);
    });
    connect(padding_, &QSpinBox::valueChanged, this, [this](int percent) {
        if (syncing_) return;
        CanvasChoices choices = state_.exportChoices().canvasChoices();
        choices.paddingPercent = percent;
        state_.exportChoices().setCanvasChoices(choices);
    });
    connect(shadow_, &QCheckBox::toggled, this, [this](bool on) {
        if (syncing_) return;
        CanvasChoices choices = state_.exportChoices().canvasChoices();
        choices.shadow = on;
        state_.exportChoices().setCanvasChoices(choices);
    });

    connect(&state_.exportChoices(), &ExportChoicesStore::canvasChoicesChanged, this,
            &CanvasSection::sync);
    connect(&state_.exportChoices(), &ExportChoicesStore::exportBackgroundChanged, this,
            &CanvasSection::sync);
    connect(&state_.exportChoices(), &ExportChoicesStore::customBackgroundColorChanged, this,
            &CanvasSection::sync);
    connect(&state_.exportChoices(), &ExportChoicesStore::appStorePreviewChanged, this,
            &CanvasSection::sync);
    connect(&state_.exportChoices(), &ExportChoicesStore::outputFormatChanged, this,
            &CanvasSection::sync);
    sync();
}

void CanvasSection::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) restyleNote();
    SectionCard::changeEvent(event);
}

// A remark, not a control: the secondary colour of the appearance in use.
void CanvasSection::restyleNote() {
    for (QLabel* note : {storeNote_, transparencyHint_}) {
        QPalette p = note->palette();
        p.setColor(QPalette::WindowText, Palette::current().secondaryText);
        note->setPalette(p);
    }
}

void CanvasSection::choose(int index) {
    if (index == kGradientChoice) {
        applyGradient(lastGradient_);
    } else if (index == kImageChoice) {
        if (!lastImage_.isEmpty() && QFileInfo(lastImage_).isFile()) {
            CanvasChoices choices = state_.exportChoices().canvasChoices();
            choices.pattern = BackgroundFill::image(lastImage_.toStdString());
            state_.exportChoices().setCanvasChoices(choices);
        } else {
            // After the menu has closed; the picker shows the image once one is accepted.
            QTimer::singleShot(0, &state_.exportChoices(),
                               &ExportChoicesStore::chooseBackgroundImage);
        }
    } else if (index >= 0 && index < int(allExportBackgrounds().size())) {
        state_.exportChoices().setExportBackground(allExportBackgrounds()[std::size_t(index)]);
    }
    sync();
}

void CanvasSection::applyGradient(const LinearGradient& gradient) {
    lastGradient_ = gradient;
    CanvasChoices choices = state_.exportChoices().canvasChoices();
    choices.pattern = BackgroundFill{gradient};
    state_.exportChoices().setCanvasChoices(choices);
    sync();
}

void CanvasSection::sync() {
    syncing_ = true;
    const bool store = state_.exportChoices().appStorePreview();
    const CanvasChoices& choices = state_.exportChoices().canvasChoices();
    const auto& pattern = choices.pattern;
    const LinearGradient* gradient = pattern ? pattern->asGradient() : nullptr;
    const BackgroundPicture* image = pattern ? pattern->asPicture() : nullptr;
    if (gradient) lastGradient_ = *gradient;
    if (image) lastImage_ = QString::fromStdString(image->path);

    // A preview for the store shows the colour it will be written over.
    int index = 0;
    const auto& colours = allExportBackgrounds();
    for (std::size_t i = 0; i < colours.size(); ++i)
        if (colours[i] == state_.exportChoices().exportBackground()) index = int(i);
    if (store) {
        if (state_.exportChoices().exportBackground() == ExportBackground::transparent)
            index = int(std::find(colours.begin(), colours.end(), ExportBackground::black) -
                        colours.begin());
    } else if (gradient) {
        index = kGradientChoice;
    } else if (image) {
        index = kImageChoice;
    }
    background_->setCurrentIndex(index);
    const int transparent = int(
        std::find(colours.begin(), colours.end(), ExportBackground::transparent) - colours.begin());
    for (int i : {transparent, kGradientChoice, kImageChoice})
        background_->setChoiceEnabled(i, !store);

    const bool custom =
        index ==
        int(std::find(colours.begin(), colours.end(), ExportBackground::custom) - colours.begin());
    customRow_->setVisible(custom);
    gradientRow_->setVisible(index == kGradientChoice);
    imageRow_->setVisible(index == kImageChoice);
    // A colour panel left open for a background no longer in use would edit nothing visible.
    for (auto [well, shown] : {std::pair{customWell_, custom},
                               {startWell_, index == kGradientChoice},
                               {endWell_, index == kGradientChoice}}) {
        if (!shown && well->dialog()) well->dialog()->close();
    }
    customWell_->refresh();
    startWell_->refresh();
    endWell_->refresh();
    angle_->setValue(int(std::lround(std::fmod(std::fmod(lastGradient_.angle, 360) + 360, 360))) %
                     360);
    imageName_->setText(lastImage_.isEmpty() ? QStringLiteral("No image chosen")
                                             : QFileInfo(lastImage_).fileName());
    imageName_->setToolTip(lastImage_);

    const auto& aspects = allCanvasAspects();
    for (std::size_t i = 0; i < aspects.size(); ++i)
        if (aspects[i] == choices.aspect) aspect_->setCurrentIndex(int(i));
    padding_->setValue(int(std::lround(effectivePadding(choices.aspect, choices.paddingPercent))));
    shadow_->setChecked(choices.shadow);
    aspect_->setEnabled(!store);
    padding_->setEnabled(!store);
    shadow_->setEnabled(!store);
    storeNote_->setVisible(store);
    transparencyHint_->setVisible(!store && !pattern &&
                                  state_.exportChoices().exportBackground() ==
                                      ExportBackground::transparent &&
                                  !state_.exportChoices().formatKeepsTransparency());
    syncing_ = false;
}

}  // namespace kestro
