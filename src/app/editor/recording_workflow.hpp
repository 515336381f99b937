#pragma once
// The recording section's behaviour and state: discovering booted simulators and Android
// devices and which capture tools exist, the device choice, the recordings folder and the
// recording preferences, starting and stopping a recording, and handing the finished movie to
// the editor's import one second after Stop (an Android recording also gets the best-matching
// Android frame). Discovery is per kind of device; a recording is started, watched and stopped
// through the Recorder that records its kind, the same way for both. A recording that ends by
// itself (a phone unplugged, a simulator shut down) is stopped and saved as a Stop would.
//
// Threads: the interface thread owns every field. Three kinds of work run on WorkerThreads so
// the window keeps painting, each delivering its result back to the interface thread as a queued
// call: discovery ("kestro-rec-scan", while `refreshing()`; it touches no recorder state, which
// the recorders allow concurrently with anything), the start of a recording
// ("kestro-rec-start", while `starting()`) and its stop ("kestro-rec-stop", while `stopping()`;
// a simulator takes up to about 8 s to finish its movie, a phone the pull and the join). While
// a start or a stop runs, the section disables its recording controls and nothing else touches
// the recorders (each is used from one thread at a time). Quitting the application or destroying
// the workflow waits for running work and stops a running recording, so no recording tool
// outlives Kestro and the device's settings are put back.

#include "app/editor/background_task.hpp"
#include "app/editor/recorded_movie.hpp"
#include "app/editor/recording_device.hpp"
#include "core/capture/android_recorder.hpp"
#include "core/capture/simulator_recorder.hpp"
#include "core/model/recording_state.hpp"

#include <QTimer>

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestro {

class EditorState;
class WorkflowDialogs;
using SimulatorAvailability = SimulatorRecorder::Availability;
using AndroidAvailability = AndroidRecorder::Availability;

// The banner text under the section's title: what to install or start, one line per kind of
// device that cannot be recorded; empty when some device is ready to record.
QString recordingHints(SimulatorAvailability simulators, AndroidAvailability android,
                       bool anyDeviceReady);

// What to install so that something can be recorded on this platform, in a line or two; for the
// card shown while no capture tool is found at all.
QString installHint();

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

class RecordingWorkflow : public QObject {
    Q_OBJECT
public:
    static constexpr int kImportDelayMs = 1000;

    static constexpr const char* kCleanStatusBarKey = "cleanStatusBar";
    static constexpr const char* kShowTouchesKey = "showTouches";
    static constexpr const char* kSaveLocationKey = "customSaveLocationPath";

    // The launchers tried for `xcrun`: those named in $KESTRO_XCRUN (colon-separated), else the
    // standard places.
    static std::vector<std::string> launcherCandidates();

    // Reads the recording preferences (openSettings()).
    RecordingWorkflow(EditorState& state, WorkflowDialogs* dialogs,
                      std::vector<std::string> launchers = launcherCandidates(),
                      QObject* parent = nullptr);
    ~RecordingWorkflow() override;

    void setDialogs(WorkflowDialogs* dialogs) { dialogs_ = dialogs; }
    // Replaces the Android recorder (adb from $KESTRO_ADB, PATH or the SDK by default); only
    // while nothing records.
    void setAndroidRecorder(std::unique_ptr<AndroidRecorder> recorder);
    // Shorter import delay for tests.
    void setImportDelay(int milliseconds) { importDelayMs_ = milliseconds; }

    // The window appeared: validate the stored recordings folder, check the tools and list the
    // devices.
    void onAppear();
    // Looks for devices off the interface thread; the state changes when the answer arrives.
    void refreshDevices();
    // The application came to the front again. While no capture tool is found, the user may
    // have just installed one, so discovery runs again; otherwise the device list is left as
    // the user last refreshed it (a refresh picks the first ready device again).
    void onApplicationActivated();
    // The device picker's setter: an id, or none.
    void selectDevice(const std::optional<QString>& id);
    void chooseSaveLocation();
    void clearSaveLocation();
    // The save panel for a new recording, opening in `startFolder` when given.
    std::optional<QString> chooseRecordingFile(const std::optional<QString>& startFolder);
    void showAvailabilityAlert();
    void beginRecording();
    // Stops the recorder off the interface thread; then the state becomes `recorded` and the
    // movie is imported after the delay. A stop that left no movie made by this recording is a
    // failure: the state goes back to idle and recordingFailure() says why.
    void endRecording();
    // Closing the window during a recording: stops it on the calling thread, as quitting does,
    // and returns the movie it saved (none when nothing was written).
    std::optional<QString> stopForClosing();
    // Recording, or starting or stopping one.
    bool busy() const {
        return recordingState_ == RecordingState::recording || starting_ || stopping_;
    }
    // Quitting: waits for running work and stops a running recording, on the calling thread.
    void shutdown();
    void resetRecording();
    // After the delay: loads `path`, or, when it was not written, the newest movie beside it
    // made since the recording started (never an older one).
    void importRecording(const QString& path);
    // Why the last recording produced nothing; empty after a good one, a new start or Reset.
    const QString& recordingFailure() const { return recordingFailure_; }

    // --- State --------------------------------------------------------------------------------
    RecordingState recordingState() const { return recordingState_; }
    // The file being recorded, or last recorded until Reset.
    const std::optional<QString>& recordingPath() const { return recordingPath_; }
    // What the last discovery found, simulators first, each list in the tool's order.
    const std::vector<RecordingDevice>& availableDevices() const { return devices_; }
    // The picker's choice, and the listed device it names (none when it names none).
    const std::optional<QString>& selectedDeviceId() const { return selectedDeviceId_; }
    const std::optional<RecordingDevice>& selectedDevice() const { return selectedDevice_; }
    SimulatorAvailability simulatorAvailability() const { return simulatorAvailability_; }
    AndroidAvailability androidAvailability() const { return androidAvailability_; }
    // Discovery found neither xcrun nor adb. False until the first discovery has answered.
    bool toolsMissing() const;
    // The folder recordings are proposed in; none means defaultRecordingsFolder(). Remembered
    // across runs; a remembered folder that is gone is forgotten when the window appears.
    const std::optional<QString>& saveLocation() const { return saveLocation_; }

    // A stop is running on the worker thread.
    bool stopping() const { return stopping_; }
    // A start is running on the worker thread.
    bool starting() const { return starting_; }
    // A discovery is running on the worker thread.
    bool refreshing() const { return scanner_.busy(); }
    SimulatorRecorder& recorder() { return recorder_; }
    AndroidRecorder& androidRecorder() { return *android_; }

    // The recording preferences, saved with the others.
    bool cleanStatusBar() const { return cleanStatusBar_; }
    void setCleanStatusBar(bool on);
    bool showTouches() const { return showTouches_; }
    void setShowTouches(bool on);

signals:
    void recordingStateChanged(RecordingState state);
    void recordingPathChanged();
    void availableDevicesChanged();
    void selectedDeviceChanged();
    // Either availability, and with them toolsMissing().
    void availabilityChanged();
    void saveLocationChanged();
    void stoppingChanged(bool stopping);
    void startingChanged(bool starting);
    void recordingOptionsChanged();
    // A discovery's answer was applied.
    void devicesRefreshed();
    // The recorded movie (or its stand-in) was handed to the import, successfully or not.
    void importAttempted(const QString& path);
    void recordingFailureChanged();

private:
    // Runs `work` on `worker`; the function it returns runs on the interface thread afterwards,
    // unless the workflow has shut down meanwhile.
    void runInBackground(WorkerThread& worker, const char* name, WorkerThread::Job work);
    // The continuation receives the stop's failure, if any.
    void stopThen(std::function<void(std::optional<RecorderError>)> continuation);
    void setStopping(bool stopping) {
        if (stopping_ == stopping) return;
        stopping_ = stopping;
        emit stoppingChanged(stopping);
    }
    void setStarting(bool starting) {
        if (starting_ == starting) return;
        starting_ = starting;
        emit startingChanged(starting);
    }
    void setRecordingState(RecordingState state);
    void setRecordingPath(std::optional<QString> path);
    void setSaveLocation(std::optional<QString> folder);
    void applyDiscovery(SimulatorAvailability simulators, AndroidAvailability android,
                        std::vector<RecordingDevice> devices);
    // What records a device of this kind.
    Recorder& recorderFor(const RecordingDevice& device);
    void watchRecording();
    void alert(const QString& title, const QString& message);
    void setRecordingFailure(const QString& why);
    // The movie this recording made: `path` when written since the start, else the newest
    // movie beside it written since then.
    std::optional<QString> recordedMovie(const QString& path) const;

    EditorState& state_;
    WorkflowDialogs* dialogs_;
    SimulatorRecorder recorder_;
    std::unique_ptr<AndroidRecorder> android_;
    WorkerThread scanner_{this};
    WorkerThread starter_{this};
    WorkerThread stopper_{this};
    bool rescan_ = false;  // a refresh was asked for while one ran
    bool stopping_ = false;
    bool starting_ = false;
    bool shutDown_ = false;
    RecordingState recordingState_ = RecordingState::idle;
    std::optional<QString> recordingPath_;
    QDateTime recordingStartedAt_;  // invalid until a recording starts
    QString recordingFailure_;
    std::vector<RecordingDevice> devices_;
    std::optional<QString> selectedDeviceId_;
    std::optional<RecordingDevice> selectedDevice_;
    bool discovered_ = false;  // some discovery has answered
    SimulatorAvailability simulatorAvailability_ = SimulatorAvailability::noBootedSimulators;
    AndroidAvailability androidAvailability_ = AndroidAvailability::adbMissing;
    // The device being recorded (or last recorded, for the import), and its recorder.
    std::optional<RecordingDevice> activeDevice_;
    Recorder* activeRecorder_ = nullptr;
    QTimer captureWatch_;  // notices a recording that ended by itself
    std::optional<QString> saveLocation_;
    QString storedSaveLocation_;  // the preference, checked when the window appears
    bool cleanStatusBar_ = false;
    bool showTouches_ = false;
    int importDelayMs_ = kImportDelayMs;
};

}  // namespace kestro
