#include "app/editor/export_workflow.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/workflow_dialogs.hpp"
#include "core/export/av_exporter.hpp"
#include "core/export/export_request.hpp"
#include "core/export/render_geometry.hpp"
#include "core/model/frame_catalog.hpp"
#include "core/model/frame_image.hpp"
#include "core/thread_name.hpp"
#include "core/thread_priority.hpp"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kestro {

bool hasValidTrimRange(double duration, double trimStart, double trimEnd) {
    return clampTrimRange(trimStart, trimEnd, duration).ok();
}

QString exportStageText(double progress) {
    // Ascending, strict: a fraction exactly on a threshold belongs to the next stage. A value
    // that is not a number fails every comparison and lands on the last text.
    if (progress < 0.1) return QStringLiteral("Preparing export…");
    if (progress < 0.3) return QStringLiteral("Processing video…");
    if (progress < 0.7) return QStringLiteral("Rendering frames…");
    if (progress < 0.95) return QStringLiteral("Finalizing export…");
    return QStringLiteral("Completing export…");
}

QString proposedExportFileName(ExportFormat format) {
    const std::string_view extension = rawValue(format);
    return QStringLiteral("kestro-output.") +
           QString::fromLatin1(extension.data(), qsizetype(extension.size()));
}

BackgroundFill buildExportBackground(ExportBackground background, const QColor& custom) {
    switch (background) {
        case ExportBackground::transparent:
            return BackgroundFill::transparent();
        case ExportBackground::white:
            return BackgroundFill::white();
        case ExportBackground::black:
            return BackgroundFill::black();
        case ExportBackground::custom: {
            // Any colour model the picker produced (HSV, CMYK, extended range) comes out as
            // plain RGB components; an invalid colour keeps its stored (zero) components.
            const QColor rgb = custom.isValid() ? custom.toRgb() : custom;
            float r = 0, g = 0, b = 0, a = 0;
            rgb.getRgbF(&r, &g, &b, &a);
            return BackgroundFill::color(r, g, b, a);
        }
    }
    return BackgroundFill::black();
}

std::optional<std::filesystem::path> exportFrameImageFor(const QString& key) {
    if (const FramePreset* preset = findFramePreset(key.toStdString())) {
        if (!preset->bundleImageName) return std::nullopt;
        return frameImageURL(*preset->bundleImageName);
    }
    // A frame of the user's own is keyed by the absolute path of its PNG.
    const QFileInfo custom(key);
    if (!key.isEmpty() && custom.isAbsolute() && custom.isFile()) return key.toStdString();
    return std::nullopt;
}

ExportRequest buildExportRequest(const EditorState& state, const std::filesystem::path& output) {
    ExportRequest request;
    request.input = state.videoPath().value_or(QString()).toStdString();
    request.output = output;
    // The frame the preview shows, when the chosen preset has an image; a preset whose file
    // could not be read leaves the plain canvas.
    if (exportFrameImageFor(state.framePreset())) request.frame = state.frameImage();

    ExportChoices choices;
    choices.format = state.outputFormat();
    choices.resolution = state.selectedExportResolution();
    // Without a frame the recording fills the device box; the opening belongs to the frame.
    if (request.frame) choices.screen = state.screenRect();
    choices.trimStart = state.trimStart();
    choices.trimEnd = state.trimEnd();
    choices.scalePercent = state.scale();
    choices.offsetXPercent = state.offsetX();
    choices.offsetYPercent = state.offsetY();
    choices.fitMode = VideoFitMode::fill;
    const CanvasChoices& canvas = state.canvasChoices();
    choices.background = canvas.pattern ? *canvas.pattern
                                        : buildExportBackground(state.exportBackground(),
                                                                state.customBackgroundColor());
    choices.aspect = canvas.aspect;
    choices.paddingPercent = canvas.paddingPercent;
    choices.shadow = canvas.shadow;
    if (const PlayerHandle* player = state.player()) {
        const QSize size = player->videoSize();
        choices.recordingSize = VideoSize{double(size.width()), double(size.height())};
    }
    request.config = buildExportConfig(choices, request.frame.get());
    return request;
}

namespace {

ExportWorkflow::Engine defaultEngine() {
    return [exporter = AVFExporter()](const ExportRequest& request,
                                      ExportWorkflow::ProgressHandler progress,
                                      ExportWorkflow::CancelQuery cancel) {
        return exporter.exportVideo(request.input, request.frame, request.config,
                                    request.output, std::move(progress), std::move(cancel));
    };
}

}  // namespace

ExportWorkflow::ExportWorkflow(EditorState& state, WorkflowDialogs* dialogs, Engine engine,
                               QObject* parent)
    : QObject(parent),
      state_(state),
      dialogs_(dialogs),
      engine_(engine ? std::move(engine) : defaultEngine()) {
    connect(this, &ExportWorkflow::progressReported, this, &ExportWorkflow::updateExportProgress,
            Qt::QueuedConnection);
    connect(&state_, &EditorState::showExportSuccessChanged, this, [this](bool show) {
        if (show) presentSuccessAlert();
    });
}

ExportWorkflow::~ExportWorkflow() {
    if (worker_.joinable()) {
        state_.setExportCancelRequested(true);
        worker_.join();
    }
}

void ExportWorkflow::setClearDelays(std::chrono::milliseconds success,
                                    std::chrono::milliseconds failure) {
    successClear_ = success;
    failureClear_ = failure;
}

bool ExportWorkflow::hasValidTrimRange() const {
    return kestro::hasValidTrimRange(state_.duration(), state_.trimStart(), state_.trimEnd());
}

void ExportWorkflow::startExport() {
    if (!state_.videoPath()) return;
    if (!hasValidTrimRange()) return;
    // The button is disabled while exporting; this also covers a second call queued before
    // the button's state caught up.
    if (state_.exporting() || worker_.joinable() || choosing_) return;
    if (!dialogs_) return;
    // The save panel runs its own event loop; a second press queued meanwhile must not open a
    // second panel.
    choosing_ = true;
    const std::optional<QString> chosen =
        dialogs_->chooseExportDestination(proposedExportFileName(state_.outputFormat()));
    choosing_ = false;
    if (!chosen || chosen->isEmpty()) return;

    ExportRequest request = buildExportRequest(state_, chosen->toStdString());
    setOutcome(ExportOutcome::none);
    state_.setExporting(true);
    state_.setExportCancelRequested(false);
    state_.setExportProgress(0);
    state_.setExportProgressText(exportStageText(0));
    launch(std::move(request));
}

void ExportWorkflow::launch(ExportRequest request) {
    const std::atomic<bool>* cancelFlag = &state_.exportCancelFlag();
    worker_ = std::thread([this, engine = engine_, request = std::move(request), cancelFlag] {
        nameThisThread("kestro-export");
        lowerThisThreadPriority();
        auto result = engine(
            request, [this](double p) { emit progressReported(p); },
            [cancelFlag] { return cancelFlag->load(); });
        // Queued behind every progress report already posted, so the result comes last.
        QMetaObject::invokeMethod(
            this, [this, result = std::move(result)]() mutable { finish(std::move(result)); },
            Qt::QueuedConnection);
    });
}

void ExportWorkflow::finish(Result<std::filesystem::path, ExportError> result) {
    if (worker_.joinable()) worker_.join();
    // `exporting` is already false when the result handler runs.
    state_.setExporting(false);
    if (result.ok()) {
        setOutcome(ExportOutcome::succeeded);
        handleExportSuccess(*result);
        emit exportFinished(true);
    } else {
        const bool cancelled = result.error().kind() == ExportError::Kind::exportCancelled;
        setOutcome(cancelled ? ExportOutcome::cancelled : ExportOutcome::failed);
        handleExportFailure(result.error());
        emit exportFinished(false);
    }
}

void ExportWorkflow::updateExportProgress(double progress) {
    state_.setExportProgress(progress);
    state_.setExportProgressText(exportStageText(progress));
}

void ExportWorkflow::setOutcome(ExportOutcome outcome) {
    if (outcome_ == outcome) return;
    outcome_ = outcome;
    emit outcomeChanged(outcome);
}

void ExportWorkflow::handleExportSuccess(const std::filesystem::path& output) {
    lastOutputPath_ = QString::fromStdString(output.string());
    state_.setExportProgress(1.0);
    state_.setExportProgressText(QStringLiteral("Export completed successfully!"));
    state_.setExportSuccessMessage(QStringLiteral("Video saved to:\n") +
                                   QString::fromStdString(output.string()));
    state_.setShowExportSuccess(true);
    // Unconditional: whatever text is showing when the delay ends is cleared.
    QTimer::singleShot(successClear_, this, [this] {
        state_.setExportProgressText(QString());
        state_.setExportProgress(0);
    });
}

void ExportWorkflow::handleExportFailure(const ExportError& error) {
    state_.setExportProgress(0);
    // The user's own cancel is not a failure: it reads as what it was.
    const bool cancelled = error.kind() == ExportError::Kind::exportCancelled;
    const QString description = QString::fromStdString(error.errorDescription());
    state_.setExportProgressText(cancelled ? description
                                           : QStringLiteral("Export failed: ") + description);
    QTimer::singleShot(failureClear_, this, [this] { state_.setExportProgressText(QString()); });
}

void ExportWorkflow::requestExportCancel() {
    state_.setExportCancelRequested(true);
}

void ExportWorkflow::showInFinder() {
    if (dialogs_ && !lastOutputPath_.isEmpty()) dialogs_->revealFile(lastOutputPath_);
    state_.setShowExportSuccess(false);
}

void ExportWorkflow::presentSuccessAlert() {
    if (!dialogs_) return;
    // The alert may outlive the workflow (it closes with the window); answers arriving after
    // that are dropped.
    QPointer<ExportWorkflow> self(this);
    dialogs_->presentExportSuccess(
        state_.exportSuccessMessage(),
        [self] {
            if (self) self->state_.setShowExportSuccess(false);
        },
        [self] {
            if (self) self->showInFinder();
        });
}

}  // namespace kestro
