#pragma once
// The editor's side of an export, from "Export Video" to the success alert or the failure text:
// when exporting is possible, the save panel, the export request built from the editor state,
// the engine run on a worker thread, the stage texts, cancelling, and the result.
//
// The workflow owns the export's progress: whether one runs, the fraction done and its stage
// text, the cancel request, and the file the last one wrote.
//
// Threads: everything here runs on the interface thread except the engine call, which runs on
// one worker thread ("kestro-export") per export. The worker touches no field but the atomic
// cancel flag, which it reads through the engine's cancel query; it posts progress and the
// result back as queued calls. Only one export runs at a time (the button is disabled while
// one is running). Destroying the workflow during an export cancels it and waits for the
// worker, so the engine can remove its temporary file before the process ends.

#include "app/editor/background_task.hpp"
#include "app/editor/export_preferences.hpp"
#include "core/export/export_config.hpp"
#include "core/export/export_error.hpp"
#include "core/export/exported_movie.hpp"
#include "core/model/export_background.hpp"
#include "core/model/export_format.hpp"
#include "core/model/export_resolution.hpp"
#include "core/model/image.hpp"
#include "core/result.hpp"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestro {

class EditorState;
class WorkflowDialogs;

// Whether the trim range can be exported, by the engine's own rule (clampTrimRange).
bool hasValidTrimRange(double duration, double trimStart, double trimEnd);

// The text under the export button for a progress fraction.
QString exportStageText(double progress);

// "kestro-output." with the format's extension (mp4, mov, gif, webm).
QString proposedExportFileName(ExportFormat format);

// One run of the engine: what it reads and where it writes.
struct ExportRequest {
    std::filesystem::path input;
    std::shared_ptr<const Image> frame;  // the trimmed frame image; null for none
    ExportConfig config;
    std::filesystem::path output;
    // A PNG of the recording's picture at this time (seconds) instead of a movie.
    std::optional<double> stillAt;
};

// The file of the frame preset `key` as the export reads it, or the PNG itself when `key` is a
// custom frame's absolute path; none when the key names neither, the preset has no image, or
// its file is missing.
std::optional<std::filesystem::path> exportFrameImageFor(const QString& key);

// The request for the editor's current state, writing to `output`.
ExportRequest buildExportRequest(const EditorState& state, const std::filesystem::path& output);

// How the last export ended, for the status under the export button; `none` while one runs
// and before the first.
enum class ExportOutcome { none, succeeded, failed, cancelled };

class ExportWorkflow : public QObject {
    Q_OBJECT
public:
    using ProgressHandler = std::function<void(double)>;
    using CancelQuery = std::function<bool()>;
    // Runs one export on the calling (worker) thread. The application uses AVFExporter; tests
    // may put a scripted engine here.
    using Engine = std::function<Result<ExportedMovie, ExportError>(
        const ExportRequest&, ProgressHandler, CancelQuery)>;

    static constexpr std::chrono::milliseconds kSuccessClearDelay{5000};
    static constexpr std::chrono::milliseconds kFailureClearDelay{8000};

    // `dialogs` is not owned and may be set later; without it nothing can be saved.
    ExportWorkflow(EditorState& state, WorkflowDialogs* dialogs, Engine engine = {},
                   QObject* parent = nullptr);
    ~ExportWorkflow() override;

    void setDialogs(WorkflowDialogs* dialogs) { dialogs_ = dialogs; }
    // Shorter clears for tests.
    void setClearDelays(std::chrono::milliseconds success, std::chrono::milliseconds failure);

    bool hasValidTrimRange() const;
    ExportOutcome lastOutcome() const { return outcome_; }
    // The file the last successful export wrote; empty before one.
    const QString& lastOutputPath() const { return lastOutputPath_; }

    // The running export, as the export card shows it.
    bool exporting() const { return exporting_; }
    double progress() const { return progress_; }
    QString progressText() const { return progressText_; }
    // Readable from any thread; written on the interface thread only.
    bool cancelRequested() const { return cancelRequested_.load(); }
    // Whether the success alert is up.
    bool successShown() const { return successShown_; }

    // "Export Video": checks what can be checked before anything is written (an App Store
    // preview's length and size, shown as an alert), asks where to save, then starts the engine
    // and returns at once.
    void startExport();
    // The same for a PNG of the picture the preview shows now: its canvas, frame and placement.
    void startStillExport();
    void updateExportProgress(double progress);
    // `warnings`: what the user should know although the export succeeded (the sound could not
    // be read); shown in an alert of their own and kept in lastWarnings().
    void handleExportSuccess(const std::filesystem::path& output,
                             const std::vector<std::string>& warnings = {});
    // The warnings of the last successful export; empty before one.
    const QStringList& lastWarnings() const { return lastWarnings_; }
    void handleExportFailure(const ExportError& error);
    void requestExportCancel();
    // The success alert's reveal button: shows the file the export wrote.
    void showInFinder();

signals:
    // Emitted from the worker thread; connected queued to updateExportProgress.
    void progressReported(double progress);
    // After the result of an export has been handled (success or failure).
    void exportFinished(bool succeeded);
    void outcomeChanged(ExportOutcome outcome);
    // An export wrote `outputPath`; the success alert follows.
    void exportSucceeded(const QString& outputPath);
    void exportingChanged(bool exporting);
    void progressChanged(double progress);
    void progressTextChanged(const QString& text);
    void cancelRequestedChanged(bool requested);
    void successShownChanged(bool shown);

private:
    void start(bool still);
    void launch(ExportRequest request);
    void finish(Result<ExportedMovie, ExportError> result);
    void presentSuccessAlert();
    void setOutcome(ExportOutcome outcome);
    void setExporting(bool exporting);
    void setProgress(double progress);
    void setProgressText(const QString& text);
    void setCancelRequested(bool requested);
    void setSuccessShown(bool shown);
    // An alert for a refusal the user must act on (a broken App Store rule).
    void alertRefusal(const ExportError& error);

    EditorState& state_;
    WorkflowDialogs* dialogs_;
    Engine engine_;
    WorkerThread worker_{this};
    bool choosing_ = false;  // the save panel is open
    ExportOutcome outcome_ = ExportOutcome::none;
    QString lastOutputPath_;
    QStringList lastWarnings_;
    bool exporting_ = false;
    double progress_ = 0;
    QString progressText_;
    std::atomic<bool> cancelRequested_{false};
    bool successShown_ = false;
    std::chrono::milliseconds successClear_ = kSuccessClearDelay;
    std::chrono::milliseconds failureClear_ = kFailureClearDelay;
};

}  // namespace kestro
