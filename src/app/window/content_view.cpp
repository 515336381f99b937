#include "app/window/content_view.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/recording_workflow.hpp"
#include "app/preview/background_image_cache.hpp"
#include "app/preview/caption_preview_binding.hpp"
#include "app/preview/preview_stage_view.hpp"
#include "app/preview/preview_camera_link.hpp"
#include "app/preview/preview_view.hpp"
#include "app/preview/timeline_section_view.hpp"
#include "app/sections/canvas_section.hpp"
#include "app/sections/export_section.hpp"
#include "app/sections/recording_section.hpp"
#include "app/sections/source_section.hpp"
#include "app/sections/taps_section.hpp"
#include "app/ui/warning_banner.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/round_icon_button.hpp"
#include "app/ui/shadow.hpp"
#include "app/window/qt_dialogs.hpp"
#include "app/window/touch_preview_link.hpp"

#include <QApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace kestro {
namespace {

// The surface the preview stage sits on: rounded, outlined in the accent, softly lifted.
class PreviewArea : public QWidget {
public:
    explicit PreviewArea(QWidget* parent) : QWidget(parent) {
        // Low enough that the window fits a 1366 x 768 screen; the stage scales down with it.
        setMinimumHeight(260);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const Palette& pal = Palette::current();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(12, 4, -12, -12);
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
    explicit OwnedDialogs(QWidget* window) : alerts(window), files(window), workflows(window) {}
    MessageBoxAlertPresenter alerts;
    QtFileDialogs files;
    QtWorkflowDialogs workflows;
};

ContentView::ContentView(std::unique_ptr<EditorState> state, QWidget* parent)
    : ContentView(std::move(state), Services{}, parent) {}

ContentView::ContentView(std::unique_ptr<EditorState> state, Services services, QWidget* parent)
    : QWidget(parent), state_(std::move(state)) {
    setWindowTitle(QStringLiteral("Kestro"));
    dialogs_ = std::make_unique<OwnedDialogs>(this);
    if (!state_->alertPresenter()) {
        state_->setAlertPresenter(&dialogs_->alerts);
        state_->setFileDialogs(&dialogs_->files);
    }
    WorkflowDialogs* panels = services.dialogs ? services.dialogs : &dialogs_->workflows;
    exportWorkflow_ = std::make_unique<ExportWorkflow>(*state_, panels, std::move(services.engine));
    recordingWorkflow_ = std::make_unique<RecordingWorkflow>(
        *state_, panels,
        services.xcrunLaunchers ? *services.xcrunLaunchers
                                : RecordingWorkflow::launcherCandidates());

    auto* root = new QHBoxLayout(this);
    root->setContentsMargins(24, 14, 24, 14);
    root->setSpacing(24);

    // Left column: preview header, preview area, timeline.
    auto* left = new QWidget(this);
    leftColumn_ = left;
    left->setMinimumWidth(kLeftColumnMinWidth);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(12);
    auto* previewBlock = new QVBoxLayout();
    previewBlock->setSpacing(6);
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
    areaLayout->setContentsMargins(12, 4, 12, 12);
    stage_ = new PreviewStageView(area);
    areaLayout->addWidget(stage_);
    previewBlock->addWidget(area, 1);
    leftLayout->addLayout(previewBlock, 1);
    timeline_ = new TimelineSectionView(*state_, left);
    leftLayout->addWidget(timeline_);
    connectPreviewCamera(*state_, *stage_->preview());
    root->addWidget(left, 1);

    // Right column: the section cards, scrolling when the window is short, over the export
    // card, which stays pinned at the bottom so its button is always in view.
    auto* right = new QWidget(this);
    rightColumn_ = right;
    right->setFixedWidth(kRightColumnWidth);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(kCardSpacing);
    auto* scroll = new QScrollArea(right);
    scrollArea_ = scroll;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    auto* column = new QWidget(scroll);
    column->setAutoFillBackground(false);
    sectionColumn_ = new QVBoxLayout(column);
    sectionColumn_->setContentsMargins(0, 8, 0, 0);
    sectionColumn_->setSpacing(kCardSpacing);

    recordingSection_ = new RecordingSection(*recordingWorkflow_, column);
    sourceSection_ = new SourceSection(*state_, column);
    canvasSection_ = new CanvasSection(*state_, column);
    tapsSection_ = new TapsSection(*state_, column);
    exportSection_ = new ExportSection(*state_, *exportWorkflow_, right);
    // The source card leads: importing a movie and choosing a frame is where every session
    // starts, and the frame picker's attention outline must be in view on a short screen.
    // The canvas follows the frame it surrounds.
    sectionColumn_->addWidget(sourceSection_);
    sectionColumn_->addWidget(canvasSection_);
    sectionColumn_->addWidget(tapsSection_);
    sectionColumn_->addWidget(recordingSection_);
    sectionColumn_->addStretch(1);
    scroll->setWidget(column);
    rightLayout->addWidget(scroll, 1);
    rightLayout->addWidget(exportSection_);
    root->addWidget(right);

    // A recording that saved nothing is said in its card: brought into view.
    // After the card has laid the banner out, so the whole of it comes into view.
    connect(recordingWorkflow_.get(), &RecordingWorkflow::recordingFailureChanged, this, [this] {
        if (recordingWorkflow_->recordingFailure().isEmpty()) return;
        QTimer::singleShot(0, this, [this] {
            scrollArea_->ensureWidgetVisible(recordingSection_->failureBanner(), 0, 12);
        });
    });

    connect(appearanceButton_, &QAbstractButton::clicked, this,
            [this] { state_->setDarkMode(!state_->isDarkMode()); });

    // The stage follows the state.
    EditorState* s = state_.get();
    connect(&s->playback(), &PlaybackSession::playerChanged, stage_,
            [this](PlayerHandle* player) { stage_->setFeed(player); });
    // An App Store preview is written without the frame, the recording fitted whole into the
    // store's canvas: the stage shows exactly that, and the frame comes back when it is off.
    auto syncFraming = [this, s] {
        const bool store = s->exportChoices().appStorePreview();
        stage_->setFrameImage(store ? nullptr : s->frame().frameImage());
        stage_->setScreen(store ? ScreenRect{0, 0, 100, 100} : s->frame().screenRect());
        if (store) {
            stage_->setPlacement(100, 0, 0);
        } else {
            stage_->setPlacement(s->frame().scale(), s->frame().offsetX(), s->frame().offsetY());
        }
    };
    connect(&s->frame(), &FrameSelection::frameImageChanged, stage_, syncFraming);
    connect(&s->frame(), &FrameSelection::screenRectChanged, stage_, syncFraming);
    connect(&s->frame(), &FrameSelection::placementChanged, stage_, syncFraming);
    connect(&s->exportChoices(), &ExportChoicesStore::appStorePreviewChanged, stage_, syncFraming);
    connect(s, &EditorState::stageAspectRatioChanged, stage_,
            &PreviewStageView::setStageAspectRatio);
    stage_->setFeed(s->playback().player());
    linkTouchesToPreview(*s, *stage_->preview());
    syncFraming();
    stage_->setStageAspectRatio(s->stageAspectRatio());
    // The preview draws the canvas the export writes: its shape, background and shadow.
    auto syncCanvas = [this, s] {
        PreviewCanvas canvas;
        canvas.layout = s->canvasLayout();
        canvas.background = s->exportChoices().canvasBackground();
        // Decoded off the interface thread; a picture that cannot be read shows nothing here,
        // the export reports it.
        if (const BackgroundPicture* picture = canvas.background.asPicture())
            canvas.backgroundImage =
                backgroundImages_->imageFor(QString::fromStdString(picture->path));
        canvas.shadow = s->exportChoices().canvasShadow();
        canvas.roundedScreen = !s->exportChoices().appStorePreview();
        stage_->setCanvas(canvas);
    };
    backgroundImages_ = new BackgroundImageCache(this);
    connect(backgroundImages_, &BackgroundImageCache::ready, stage_, syncCanvas);
    connect(&s->exportChoices(), &ExportChoicesStore::canvasChoicesChanged, stage_, syncCanvas);
    connect(&s->frame(), &FrameSelection::frameImageChanged, stage_, syncCanvas);
    connect(&s->playback(), &PlaybackSession::playerChanged, stage_, syncCanvas);
    connect(s, &EditorState::stageAspectRatioChanged, stage_, syncCanvas);
    connect(&s->exportChoices(), &ExportChoicesStore::selectedExportResolutionChanged, stage_,
            syncCanvas);
    connect(&s->exportChoices(), &ExportChoicesStore::exportBackgroundChanged, stage_, syncCanvas);
    connect(&s->exportChoices(), &ExportChoicesStore::customBackgroundColorChanged, stage_,
            syncCanvas);
    connect(&s->exportChoices(), &ExportChoicesStore::appStorePreviewChanged, stage_, syncCanvas);
    connect(&s->exportChoices(), &ExportChoicesStore::appStorePresetChanged, stage_, syncCanvas);
    connect(&s->exportChoices(), &ExportChoicesStore::outputFormatChanged, stage_, syncCanvas);
    syncCanvas();
    new CaptionPreviewBinding(*s, *stage_->preview());

    connect(s, &EditorState::isDarkModeChanged, this, &ContentView::syncAppearance);
    syncAppearance();
}

ContentView::~ContentView() {
    // The stage holds a pointer to the player; detach before the state drops it.
    stage_->setFeed(nullptr);
}

FramePresetPicker* ContentView::framePicker() const {
    return sourceSection_->framePicker();
}
ModernButton* ContentView::importButton() const {
    return sourceSection_->importButton();
}
ModernButton* ContentView::resetButton() const {
    return sourceSection_->resetButton();
}

void ContentView::syncAppearance() {
    const bool dark = state_->isDarkMode();
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        Palette::apply(*app, dark);
    const Palette& pal = Palette::current();
    appearanceButton_->setSymbol(dark ? QStringLiteral("sun.max.fill")
                                      : QStringLiteral("moon.fill"));
    appearanceButton_->setSymbolColor(dark ? pal.brandAmber : pal.brandNavy);
    appearanceButton_->setOutline(pal.systemBlue, 2);
    appearanceButton_->setToolTip(dark ? QStringLiteral("Switch to Light Mode")
                                       : QStringLiteral("Switch to Dark Mode"));
    if (auto* title = findChild<QLabel*>("previewTitle")) {
        QPalette p = title->palette();
        p.setColor(QPalette::WindowText, pal.accentTint);
        title->setPalette(p);
    }
    // A slim scroll indicator beside the cards rather than the style's full scroll bar.
    const QColor handle = dark ? QColor(255, 255, 255, 70) : QColor(0, 0, 0, 60);
    if (auto* column = scrollArea_) {
        column->verticalScrollBar()->setStyleSheet(
            QStringLiteral(
                "QScrollBar:vertical { background: transparent; width: 10px; margin: 8px 0 8px 0; }"
                "QScrollBar::handle:vertical { background: %1; border-radius: 3px;"
                " min-height: 48px; margin: 0 2px 0 2px; }"
                "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; "
                "}")
                .arg(QStringLiteral("rgba(%1, %2, %3, %4)")
                         .arg(handle.red())
                         .arg(handle.green())
                         .arg(handle.blue())
                         .arg(handle.alpha())));
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
