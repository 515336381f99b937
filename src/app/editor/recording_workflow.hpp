#pragma once
// The "Record iOS Simulator" section's behaviour: discovering booted simulators, the recordings
// folder and its preference, starting and stopping a recording, and handing the finished movie
// to the editor's import one second after Stop.
//
// Threads: everything runs on the interface thread except the recorder's stop, which waits for
// the simulator to finish its movie (up to about 8 seconds). That wait runs on a worker thread
// ("kestro-rec-stop") so the window keeps painting; while it runs `stopping()` is true, the
// section disables its recording controls, and nothing else touches the recorder (the recorder
// is used from one thread at a time). Discovery calls touch no recorder state and stay on the
// interface thread. Destroying the workflow waits for a running stop.

#include "core/capture/simulator_recorder.hpp"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestro {

class EditorState;
class WorkflowDialogs;
enum class SimulatorAvailability;

// "kestro-recording_2025-01-31_14-05-09.mp4" for that local time.
QString recordingFileName(const QDateTime& localTime);

// The banner text under the section's title; empty when recording is possible.
QString availabilityMessage(SimulatorAvailability availability);

// The alert for an availability that prevents recording: title and informative text. None
// when recording is possible.
struct AvailabilityAlert {
    QString title;
    QString message;
};
std::optional<AvailabilityAlert> availabilityAlert(SimulatorAvailability availability);

// Documents/Kestro: where the section says recordings go when no folder is chosen.
QString defaultRecordingsFolder();

// The newest "mp4" (exact, lower case) in `folder`, by creation date; files whose creation date
// the file system does not record are ordered by their last modification instead. None when
// the folder cannot be listed or holds none.
std::optional<QString> newestMovieIn(const QString& folder);

class RecordingWorkflow : public QObject {
    Q_OBJECT
public:
    static constexpr int kImportDelayMs = 1000;

    // The launchers tried for `xcrun`: those named in $KESTRO_XCRUN (colon-separated), else the
    // standard places.
    static std::vector<std::string> launcherCandidates();

    RecordingWorkflow(EditorState& state, WorkflowDialogs* dialogs,
                      std::vector<std::string> launchers = launcherCandidates(),
                      QObject* parent = nullptr);
    ~RecordingWorkflow() override;

    void setDialogs(WorkflowDialogs* dialogs) { dialogs_ = dialogs; }
    // Shorter import delay for tests.
    void setImportDelay(int milliseconds) { importDelayMs_ = milliseconds; }

    // The window appeared: check the tools and list the booted simulators.
    void onAppear();
    void refreshDevices();
    // The device picker's setter: an id, or none.
    void selectDevice(const std::optional<QString>& id);
    void chooseSaveLocation();
    void clearSaveLocation();
    // The save panel for a new recording, opening in `startFolder` when given.
    std::optional<QString> chooseRecordingFile(const std::optional<QString>& startFolder);
    void showAvailabilityAlert();
    void beginRecording();
    // Stops the recorder off the interface thread; then the state becomes `recorded` and the
    // movie is imported after the delay.
    void endRecording();
    void resetRecording();
    // After the delay: loads `path`, or the newest movie beside it when it was not written.
    void importRecording(const QString& path);

    // A stop is running on the worker thread.
    bool stopping() const { return stopping_; }
    SimulatorRecorder& recorder() { return recorder_; }

signals:
    void stoppingChanged(bool stopping);
    // The recorded movie (or its stand-in) was handed to the import, successfully or not.
    void importAttempted(const QString& path);

private:
    void stopThen(std::function<void()> continuation);
    void setStopping(bool stopping);

    EditorState& state_;
    WorkflowDialogs* dialogs_;
    SimulatorRecorder recorder_;
    std::thread stopper_;
    bool stopping_ = false;
    int importDelayMs_ = kImportDelayMs;
};

}  // namespace kestro
