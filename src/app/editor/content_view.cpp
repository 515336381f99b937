#include "app/editor/content_view.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/frame_preset_picker.hpp"
#include "app/preview/preview_stage_view.hpp"
#include "app/preview/timeline_section_view.hpp"
#include "app/ui/labeled_control.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/round_icon_button.hpp"
#include "app/ui/section_card.hpp"
#include "app/ui/shadow.hpp"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QHideEvent>
#include <QVBoxLayout>

namespace kestro {
namespace {

// The surface the preview stage sits on: rounded, outlined in the accent, softly lifted.
class PreviewArea : public QWidget {
public:
    explicit PreviewArea(QWidget* parent) : QWidget(parent) {
        setMinimumHeight(450);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const Palette& pal = Palette::current();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(12, 6, -12, -18);
        QColor glow = pal.accentTint;
        glow.setAlphaF(0.10f);
        paintShadow(p, r, 20, {glow, 20, QPointF(0, 8)});
        paintShadow(p, r, 20, {QColor(0, 0, 0, pal.dark ? 60 : 22), 8, QPointF(0, 4)});
        QPainterPath shape;
        shape.addRoundedRect(r, 20, 20);
        // A faint vertical wash gives the stage depth without competing with the frame.
        QLinearGradient wash(r.topLeft(), r.bottomLeft());
        wash.setColorAt(0, pal.windowBackground.lighter(pal.dark ? 112 : 103));
        wash.setColorAt(1, pal.windowBackground);
        p.fillPath(shape, wash);
        QColor outline = pal.accentTint;
        outline.setAlphaF(0.3f);
        p.setPen(QPen(outline, 2));
        p.drawPath(shape);
    }
};

}  // namespace

struct ContentView::OwnedDialogs {
    explicit OwnedDialogs(QWidget* window) : alerts(window), files(window) {}
    MessageBoxAlertPresenter alerts;
    QtFileDialogs files;
};

ContentView::ContentView(std::unique_ptr<EditorState> state, QWidget* parent)
    : QWidget(parent), state_(std::move(state)) {
    setWindowTitle(QStringLiteral("Kestro"));
    if (!state_->alertPresenter()) {
        dialogs_ = std::make_unique<OwnedDialogs>(this);
        state_->setAlertPresenter(&dialogs_->alerts);
        state_->setFileDialogs(&dialogs_->files);
    }

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(24, 24, 24, 24);
    root->setSpacing(24);

    // Left column: preview header, preview area, timeline.
    auto* left = new QWidget(this);
    left->setMinimumWidth(kLeftColumnMinWidth);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(20);
    auto* previewBlock = new QVBoxLayout();
    previewBlock->setSpacing(16);
    auto* header = new QHBoxLayout();
    auto* title = new QLabel(QStringLiteral("Preview"), left);
    title->setObjectName("previewTitle");
    title->setFont(textFont(TextStyle::title2, QFont::Bold));
    header->addWidget(title);
    header->addStretch(1);
    appearanceButton_ = new RoundIconButton(QStringLiteral("moon.fill"), 36, left);
    appearanceButton_->setSymbolSize(16);
    header->addWidget(appearanceButton_);
    previewBlock->addLayout(header);
    auto* area = new PreviewArea(left);
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(12, 6, 12, 18);
    stage_ = new PreviewStageView(area);
    areaLayout->addWidget(stage_);
    previewBlock->addWidget(area, 1);
    leftLayout->addLayout(previewBlock, 1);
    timeline_ = new TimelineSectionView(*state_, left);
    leftLayout->addWidget(timeline_);
    root->addWidget(left, 1);

    // Right column: the section cards, scrolling when the window is short.
    auto* scroll = new QScrollArea(this);
    scroll->setFixedWidth(kRightColumnWidth);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    auto* column = new QWidget(scroll);
    column->setAutoFillBackground(false);
    sectionColumn_ = new QVBoxLayout(column);
    sectionColumn_->setContentsMargins(0, 8, 0, 8);
    sectionColumn_->setSpacing(20);

    sourceCard_ = new SectionCard(QStringLiteral("photo.on.rectangle.angled"),
                                  QStringLiteral("Source & Frame"), column);
    auto* buttons = new QHBoxLayout();
    buttons->setSpacing(12);
    using Style = ModernButtonStyle;
    importButton_ = new ModernButton(QStringLiteral("square.and.arrow.down"), QStringLiteral("Import Video"),
                                     Style{Style::Variant::secondary, Style::Size::medium}, sourceCard_);
    resetButton_ = new ModernButton(QStringLiteral("xmark.circle"), QStringLiteral("Reset"),
                                    Style{Style::Variant::ghost, Style::Size::medium}, sourceCard_);
    buttons->addWidget(importButton_);
    buttons->addWidget(resetButton_);
    buttons->addStretch(1);
    sourceCard_->body()->addLayout(buttons);
    framePicker_ = new FramePresetPicker(*state_, sourceCard_);
    sourceCard_->body()->addWidget(new LabeledControl(QStringLiteral("Device Frame"), framePicker_, sourceCard_));
    sectionColumn_->addWidget(sourceCard_);
    sectionColumn_->addStretch(1);
    scroll->setWidget(column);
    root->addWidget(scroll);

    connect(importButton_, &QAbstractButton::clicked, state_.get(), &EditorState::importVideo);
    connect(resetButton_, &QAbstractButton::clicked, state_.get(), &EditorState::clearVideo);
    connect(appearanceButton_, &QAbstractButton::clicked, this,
            [this] { state_->setDarkMode(!state_->isDarkMode()); });

    // The stage follows the state.
    EditorState* s = state_.get();
    connect(s, &EditorState::playerChanged, stage_, [this](PlayerHandle* player) { stage_->setFeed(player); });
    connect(s, &EditorState::frameImageChanged, stage_, [this, s] { stage_->setFrameImage(s->frameImage()); });
    connect(s, &EditorState::screenRectChanged, stage_, &PreviewStageView::setScreen);
    connect(s, &EditorState::placementChanged, stage_,
            [this, s] { stage_->setPlacement(s->scale(), s->offsetX(), s->offsetY()); });
    connect(s, &EditorState::stageAspectRatioChanged, stage_, &PreviewStageView::setStageAspectRatio);
    stage_->setFeed(s->player());
    stage_->setFrameImage(s->frameImage());
    stage_->setScreen(s->screenRect());
    stage_->setPlacement(s->scale(), s->offsetX(), s->offsetY());
    stage_->setStageAspectRatio(s->stageAspectRatio());

    connect(s, &EditorState::videoPathChanged, this, &ContentView::syncSource);
    connect(s, &EditorState::isDarkModeChanged, this, &ContentView::syncAppearance);
    syncSource();
    syncAppearance();
    resize(1280, 900);
}

ContentView::~ContentView() {
    // The stage holds a pointer to the player; detach before the state drops it.
    stage_->setFeed(nullptr);
}

void ContentView::syncSource() { resetButton_->setVisible(state_->videoPath().has_value()); }

void ContentView::syncAppearance() {
    const bool dark = state_->isDarkMode();
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) Palette::apply(*app, dark);
    const Palette& pal = Palette::current();
    appearanceButton_->setSymbol(dark ? QStringLiteral("sun.max.fill") : QStringLiteral("moon.fill"));
    appearanceButton_->setSymbolColor(dark ? pal.brandAmber : pal.brandNavy);
    appearanceButton_->setOutline(pal.systemBlue, 2);
    appearanceButton_->setToolTip(dark ? QStringLiteral("Switch to Light Mode")
                                       : QStringLiteral("Switch to Dark Mode"));
    if (auto* title = findChild<QLabel*>("previewTitle")) {
        QPalette p = title->palette();
        p.setColor(QPalette::WindowText, pal.accentTint);
        title->setPalette(p);
    }
    update();
}

void ContentView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Palette::current().controlBackground);
}

void ContentView::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) state_->onAppear();
    QWidget::showEvent(event);
}

void ContentView::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) state_->onDisappear();
    QWidget::hideEvent(event);
}

}  // namespace kestro
