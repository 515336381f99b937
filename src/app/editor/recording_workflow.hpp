#pragma once
// The recording section's behaviour: discovering booted simulators and Android devices, the
// recordings folder and the recording preferences, starting and stopping a recording, and
// handing the finished movie to the editor's import one second after Stop (an Android recording
// also gets the best-matching Android frame).
//
// Threads: the interface thread owns every field. Three kinds of work run on worker threads so
// the window keeps painting, each delivering its result back to the interface thread as a queued
// call: discovery ("kestro-rec-scan", while `refreshing()`; it touches no recorder state, which
// the recorders allow concurrently with anything), the start of a recording
// ("kestro-rec-start", while `starting()`) and its stop ("kestro-rec-stop", while `stopping()`;
// a simulator takes up to about 8 s to finish its movie, a phone the pull and the join). While
// a start or a stop runs, the section disables its recording controls and nothing else touches
// the recorders (each is used from one thread at a time). Quitting the application or destroying
// the workflow waits for running work and stops a running recording, so no recording tool
// outlives Kestro and the device's settings are put back.

#include "core/capture/android_recorder.hpp"
#include "core/capture/simulator_recorder.hpp"

#include <QTimer>

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestro {

class EditorState;
class WorkflowDialogs;
enum class SimulatorAvailability;
enum class DeviceKind;
using AndroidAvailability = AndroidRecorder::Availability;

// The banner text under the section's title: what to install or start, one line per kind of
// device that cannot be recorded; empty when some device is ready to record.
QString recordingHints(SimulatorAvailability simulators, AndroidAvailability android,
                       bool anyDeviceReady);

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

    static constexpr const char* kCleanStatusBarKey = "cleanStatusBar";
    static constexpr const char* kShowTouchesKey = "showTouches";

    // The launchers tried for `xcrun`: those named in $KESTRO_XCRUN (colon-separated), else the
    // standard places.
    static std::vector<std::string> launcherCandidates();

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

    // The window appeared: check the tools and list the devices.
    void onAppear();
    // Looks for devices off the interface thread; the state changes when the answer arrives.
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
    // Quitting: waits for running work and stops a running recording, on the calling thread.
    void shutdown();
    void resetRecording();
    // After the delay: loads `path`, or the newest movie beside it when it was not written.
    void importRecording(const QString& path);

    // A stop is running on the worker thread.
    bool stopping() const { return stopping_; }
    // A start is running on the worker thread.
    bool starting() const { return starting_; }
    // A discovery is running on the worker thread.
    bool refreshing() const { return scanner_.joinable(); }
    SimulatorRecorder& recorder() { return recorder_; }
    AndroidRecorder& androidRecorder() { return *android_; }

    AndroidAvailability androidAvailability() const { return androidAvailability_; }
    // The recording preferences, saved with the others.
    bool cleanStatusBar() const { return cleanStatusBar_; }
    void setCleanStatusBar(bool on);
    bool showTouches() const { return showTouches_; }
    void setShowTouches(bool on);

signals:
    void stoppingChanged(bool stopping);
    void startingChanged(bool starting);
    void androidAvailabilityChanged();
    void recordingOptionsChanged();
    // A discovery's answer was applied to the state.
    void devicesRefreshed();
    // The recorded movie (or its stand-in) was handed to the import, successfully or not.
    void importAttempted(const QString& path);

private:
    // Runs `work` on a named worker thread held in `slot`; the function it returns runs on the
    // interface thread afterwards.
    void runInBackground(std::thread& slot, const char* name,
                         std::function<std::function<void()>()> work);
    // The continuation receives the stop's failure, if any.
    void stopThen(std::function<void(std::optional<RecorderError>)> continuation);
    void setStopping(bool stopping);
    void setStarting(bool starting);
    void watchAndroidRecording();

    EditorState& state_;
    WorkflowDialogs* dialogs_;
    SimulatorRecorder recorder_;
    std::unique_ptr<AndroidRecorder> android_;
    std::thread scanner_;
    std::thread starter_;
    std::thread stopper_;
    bool rescan_ = false;  // a refresh was asked for while one ran
    bool stopping_ = false;
    bool starting_ = false;
    bool shutDown_ = false;
    // The kind and name of the device being recorded (or last recorded, for the import).
    std::optional<DeviceKind> activeKind_;
    QString activeDeviceName_;
    QTimer androidWatch_;  // notices a phone that stopped recording by itself
    AndroidAvailability androidAvailability_ = AndroidAvailability::adbMissing;
    bool cleanStatusBar_ = false;
    bool showTouches_ = false;
    int importDelayMs_ = kImportDelayMs;
};

}  // namespace kestro
