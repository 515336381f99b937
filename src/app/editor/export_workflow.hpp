#pragma once
// The editor's side of an export, from "Export Video" to the success alert or the failure text:
// when exporting is possible, the save panel, the export request built from the editor state,
// the engine run on a worker thread, the stage texts, cancelling, and the result.
//
// Threads: everything here runs on the interface thread except the engine call, which runs on
// one worker thread ("kestro-export") per export. The worker touches no editor field: it reads
// the editor's atomic cancel flag through the engine's cancel query and posts progress and the
// result back as queued calls. Only one export runs at a time (the button is disabled while
// one is running). Destroying the workflow during an export cancels it and waits for the
// worker, so the engine can remove its temporary file before the process ends.

#include "core/export/export_config.hpp"
#include "core/export/export_error.hpp"
#include "core/model/export_background.hpp"
#include "core/model/export_format.hpp"
#include "core/model/export_resolution.hpp"
#include "core/model/image.hpp"
#include "core/result.hpp"

#include <QColor>
#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace kestro {

class EditorState;
class WorkflowDialogs;

// Whether the trim range can be exported, by the engine's own rule (clampTrimRange).
bool hasValidTrimRange(double duration, double trimStart, double trimEnd);

// The text under the export button for a progress fraction.
QString exportStageText(double progress);

// "kestro-output." with the format's extension (mp4, mov, gif, webm).
QString proposedExportFileName(ExportFormat format);

// The background record for a background choice; `custom` carries the colour's sRGB components
// and its alpha.
BackgroundFill buildExportBackground(ExportBackground background, const QColor& custom);

// One run of the engine: what it reads and where it writes.
struct ExportRequest {
    std::filesystem::path input;
    std::shared_ptr<const Image> frame;  // the trimmed frame image; null for none
    ExportConfig config;
    std::filesystem::path output;
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
    using Engine = std::function<Result<std::filesystem::path, ExportError>(
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
    // "Export Video": asks where to save, then starts the engine and returns at once.
    void startExport();
    void updateExportProgress(double progress);
    void handleExportSuccess(const std::filesystem::path& output);
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

private:
    void launch(ExportRequest request);
    void finish(Result<std::filesystem::path, ExportError> result);
    void presentSuccessAlert();
    void setOutcome(ExportOutcome outcome);

    EditorState& state_;
    WorkflowDialogs* dialogs_;
    Engine engine_;
    std::thread worker_;
    bool choosing_ = false;  // the save panel is open
    ExportOutcome outcome_ = ExportOutcome::none;
    QString lastOutputPath_;
    std::chrono::milliseconds successClear_ = kSuccessClearDelay;
    std::chrono::milliseconds failureClear_ = kFailureClearDelay;
};

}  // namespace kestro
