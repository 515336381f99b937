#include "app/editor/export_workflow.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/workflow_dialogs.hpp"
#include "core/export/app_store_rules.hpp"
#include "core/export/av_exporter.hpp"
#include "core/export/export_request.hpp"
#include "core/export/render_geometry.hpp"
#include "core/export/still_image.hpp"
#include "core/model/frame_catalog.hpp"
#include "core/model/frame_image.hpp"

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
    request.input = state.playback().videoPath().value_or(QString()).toStdString();
    request.output = output;
    // Exactly the frame the preview shows: none when "No frame" is chosen or the preset's file
    // could not be read. An App Store preview has none.
    if (!state.exportChoices().appStorePreview()) request.frame = state.frame().frameImage();

    ExportChoices choices;
    choices.format = state.exportChoices().outputFormat();
    if (state.exportChoices().appStorePreview())
        choices.appStore = state.exportChoices().appStorePreset();
    choices.quality = state.exportChoices().exportQuality();
    choices.fps = state.exportChoices().exportFrameRate();
    choices.resolution = state.exportChoices().selectedExportResolution();
    // Without a frame the recording fills the device box; the opening belongs to the frame.
    if (request.frame) choices.screen = state.frame().screenRect();
    choices.trimStart = state.playback().trimStart();
    choices.trimEnd = state.playback().trimEnd();
    choices.speed = state.speedTrack().segments();
    choices.scalePercent = state.frame().scale();
    choices.offsetXPercent = state.frame().offsetX();
    choices.offsetYPercent = state.frame().offsetY();
    choices.fitMode = VideoFitMode::fill;
    const CanvasChoices& canvas = state.exportChoices().canvasChoices();
    choices.background = state.exportChoices().canvasBackground();
    choices.aspect = canvas.aspect;
    choices.paddingPercent = canvas.paddingPercent;
    choices.shadow = state.exportChoices().canvasShadow();
    choices.story = state.story().text();
    if (const PlayerHandle* player = state.playback().player()) {
        const QSize size = player->videoSize();
        choices.recordingSize = VideoSize{double(size.width()), double(size.height())};
    }
    // The taps the preview draws, drawn alike.
    choices.touches = state.touchTrack();
    choices.taps = state.tapStyle();
    choices.camera = state.camera().track();
    request.config = buildExportConfig(choices, request.frame.get());
    return request;
}

namespace {

ExportWorkflow::Engine defaultEngine() {
    return [exporter = AVFExporter()](const ExportRequest& request,
                                      ExportWorkflow::ProgressHandler progress,
                                      ExportWorkflow::CancelQuery cancel) {
        if (request.stillAt) {
            auto picture = renderMovieStill(request.input, *request.stillAt, request.config,
                                            request.frame.get());
            if (!picture)
                return Result<ExportedMovie, ExportError>(
                    fail(ExportError::exportFailed(MediaError{0, picture.error()})));
            if (auto saved = saveStill(*picture, request.output); !saved) {
                return Result<ExportedMovie, ExportError>(
                    fail(ExportError::fileSystem(saved.error())));
            }
            progress(1.0);
            return Result<ExportedMovie, ExportError>(ExportedMovie(request.output));
        }
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
}

ExportWorkflow::~ExportWorkflow() {
    if (worker_.busy()) {
        cancelRequested_.store(true);
        worker_.wait();
    }
}

void ExportWorkflow::setExporting(bool exporting) {
    if (exporting_ == exporting) return;
    exporting_ = exporting;
    emit exportingChanged(exporting);
}

void ExportWorkflow::setProgress(double progress) {
    if (progress_ == progress) return;
    progress_ = progress;
    emit progressChanged(progress);
}

void ExportWorkflow::setProgressText(const QString& text) {
    if (progressText_ == text) return;
    progressText_ = text;
    emit progressTextChanged(text);
}

void ExportWorkflow::setCancelRequested(bool requested) {
    if (cancelRequested_.exchange(requested) == requested) return;
    emit cancelRequestedChanged(requested);
}

void ExportWorkflow::setSuccessShown(bool shown) {
    if (successShown_ == shown) return;
    successShown_ = shown;
    emit successShownChanged(shown);
}

void ExportWorkflow::setClearDelays(std::chrono::milliseconds success,
                                    std::chrono::milliseconds failure) {
    successClear_ = success;
    failureClear_ = failure;
}

bool ExportWorkflow::hasValidTrimRange() const {
    return kestro::hasValidTrimRange(state_.playback().duration(), state_.playback().trimStart(),
                                     state_.playback().trimEnd());
}

void ExportWorkflow::startExport() {
    start(false);
}

void ExportWorkflow::startStillExport() {
    start(true);
}

void ExportWorkflow::start(bool still) {
    if (!state_.playback().videoPath()) return;
    if (!hasValidTrimRange()) return;
    // The button is disabled while exporting; this also covers a second call queued before
    // the button's state caught up.
    if (exporting_ || worker_.busy() || choosing_) return;
    if (!dialogs_) return;
    // The store's limits are known before the save panel: a preview it would refuse is not
    // worth choosing a file for.
    if (state_.exportChoices().appStorePreview() && !still) {
        const auto range =
            clampTrimRange(state_.playback().trimStart(), state_.playback().trimEnd(),
                           state_.playback().duration());
        if (range) {
            const double length = state_.speedTrack().outputLength(range->start, range->end);
            if (auto broken = previewRuleBroken(length)) {
                alertRefusal(*broken);
                return;
            }
        }
    }
    // The save panel runs its own event loop; a second press queued meanwhile must not open a
    // second panel.
    choosing_ = true;
    const std::optional<QString> chosen = dialogs_->chooseExportDestination(
        still ? QStringLiteral("kestro-frame.png")
              : proposedExportFileName(state_.exportChoices().exportFileFormat()));
    choosing_ = false;
    if (!chosen || chosen->isEmpty()) return;

    ExportRequest request = buildExportRequest(state_, chosen->toStdString());
    if (still) {
        // The picture keeps its own shape whatever the movie format; the store's preview is
        // a movie rule, so the still is the framed canvas.
        if (!chosen->endsWith(QStringLiteral(".png"), Qt::CaseInsensitive) &&
            !chosen->endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive) &&
            !chosen->endsWith(QStringLiteral(".jpeg"), Qt::CaseInsensitive)) {
            request.output += ".png";
        }
        request.stillAt = state_.playback().currentTime();
    }
    setOutcome(ExportOutcome::none);
    setSuccessShown(false);
    setExporting(true);
    setCancelRequested(false);
    setProgress(0);
    setProgressText(exportStageText(0));
    launch(std::move(request));
}

void ExportWorkflow::launch(ExportRequest request) {
    const std::atomic<bool>* cancelFlag = &cancelRequested_;
    worker_.run(
        "kestro-export",
        [this, engine = engine_, request = std::move(request), cancelFlag] {
            auto result = std::make_shared<Result<ExportedMovie, ExportError>>(engine(
                request, [this](double p) { emit progressReported(p); },
                [cancelFlag] { return cancelFlag->load(); }));
            // Comes after every progress report already posted, so the result is last.
            return std::function<void()>([this, result] { finish(std::move(*result)); });
        },
        WorkerThread::Priority::background);
}

void ExportWorkflow::finish(Result<ExportedMovie, ExportError> result) {
    // `exporting` is already false when the result handler runs.
    setExporting(false);
    if (result.ok()) {
        setOutcome(ExportOutcome::succeeded);
        handleExportSuccess(result->path, result->warnings);
        emit exportFinished(true);
    } else {
        const bool cancelled = result.error().kind() == ExportError::Kind::exportCancelled;
        setOutcome(cancelled ? ExportOutcome::cancelled : ExportOutcome::failed);
        handleExportFailure(result.error());
        emit exportFinished(false);
    }
}

void ExportWorkflow::updateExportProgress(double progress) {
    setProgress(progress);
    setProgressText(exportStageText(progress));
}

void ExportWorkflow::setOutcome(ExportOutcome outcome) {
    if (outcome_ == outcome) return;
    outcome_ = outcome;
    emit outcomeChanged(outcome);
}

void ExportWorkflow::handleExportSuccess(const std::filesystem::path& output,
                                         const std::vector<std::string>& warnings) {
    lastOutputPath_ = QString::fromStdString(output.string());
    lastWarnings_.clear();
    for (const std::string& warning : warnings) lastWarnings_ << QString::fromStdString(warning);
    if (AlertPresenter* alerts = state_.alertPresenter(); alerts && !lastWarnings_.isEmpty()) {
        alerts->showAlert(QStringLiteral("Exported with a Warning"),
                          lastWarnings_.join(QStringLiteral("\n\n")));
    }
    setProgress(1.0);
    setProgressText(QStringLiteral("Export completed successfully!"));
    emit exportSucceeded(lastOutputPath_);
    setSuccessShown(true);
    presentSuccessAlert();
    // Unconditional: whatever text is showing when the delay ends is cleared.
    QTimer::singleShot(successClear_, this, [this] {
        setProgressText(QString());
        setProgress(0);
    });
}

void ExportWorkflow::handleExportFailure(const ExportError& error) {
    setProgress(0);
    // The user's own cancel is not a failure: it reads as what it was.
    const bool cancelled = error.kind() == ExportError::Kind::exportCancelled;
    const QString description = QString::fromStdString(error.errorDescription());
    setProgressText(cancelled ? description : QStringLiteral("Export failed: ") + description);
    // A rule of the target the recording breaks needs the user to change something: it is
    // said in an alert as well as under the button.
    if (error.kind() == ExportError::Kind::targetRequirement) alertRefusal(error);
    QTimer::singleShot(failureClear_, this, [this] { setProgressText(QString()); });
}

void ExportWorkflow::alertRefusal(const ExportError& error) {
    AlertPresenter* alerts = state_.alertPresenter();
    if (!alerts) return;
    QString message = QString::fromStdString(error.errorDescription());
    if (const auto advice = error.recoverySuggestion())
        message += QStringLiteral("\n\n") + QString::fromStdString(*advice);
    // The store's rules are not the only ones: a canvas too large is refused the same way.
    alerts->showAlert(state_.exportChoices().appStorePreview()
                          ? QStringLiteral("Cannot Export App Store Preview")
                          : QStringLiteral("Cannot Export"),
                      message);
}

void ExportWorkflow::requestExportCancel() {
    if (exporting_) setCancelRequested(true);
}

void ExportWorkflow::showInFinder() {
    if (dialogs_ && !lastOutputPath_.isEmpty()) dialogs_->revealFile(lastOutputPath_);
    setSuccessShown(false);
}

void ExportWorkflow::presentSuccessAlert() {
    if (!dialogs_) return;
    // The alert may outlive the workflow (it closes with the window); answers arriving after
    // that are dropped.
    QPointer<ExportWorkflow> self(this);
    dialogs_->presentExportSuccess(
        lastOutputPath_,
        [self] {
            if (self) self->setSuccessShown(false);
        },
        [self] {
            if (self) self->showInFinder();
        });
}

}  // namespace kestro
