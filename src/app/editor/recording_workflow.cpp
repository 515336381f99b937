#include "app/editor/recording_workflow.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/recorded_movie.hpp"
#include "app/editor/settings_file.hpp"
#include "app/editor/workflow_dialogs.hpp"
#include "core/capture/adb_locator.hpp"
#include "core/model/android_frame_match.hpp"
#include "core/platform.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace kestro {
namespace {

// The command installing adb on this system, or words saying what to install.
QString adbInstallText() {
    const std::string command = adbInstallCommand();
    if (command.empty()) return QStringLiteral("adb, from your system's packages");
    return QString::fromStdString(command);
}

}  // namespace

QString recordingFileName(const QDateTime& localTime) {
    return QStringLiteral("kestro-recording_") +
           localTime.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QStringLiteral(".mp4");
}

QString availabilityMessage(SimulatorAvailability availability) {
    switch (availability) {
        case SimulatorAvailability::available:
            return QString();
        case SimulatorAvailability::xcodeMissing:
            return QStringLiteral(
                "Xcode not found. Install Xcode to enable Simulator recording.");
        case SimulatorAvailability::simctlUnavailable:
            return QStringLiteral(
                "simctl is unavailable. Install Xcode: the Command Line Tools alone have no "
                "simulators.");
        case SimulatorAvailability::noBootedSimulators:
            return QStringLiteral("No booted iOS simulators detected. Start one in Xcode.");
    }
    return QString();
}

std::optional<AvailabilityAlert> availabilityAlert(SimulatorAvailability availability) {
    switch (availability) {
        case SimulatorAvailability::available:
            return std::nullopt;
        case SimulatorAvailability::xcodeMissing:
            return AvailabilityAlert{
                QStringLiteral("Xcode Required"),
                QStringLiteral("Recording requires Xcode and Simulator. Please install Xcode from "
                               "the App Store.")};
        case SimulatorAvailability::simctlUnavailable:
            return AvailabilityAlert{
                QStringLiteral("simctl Unavailable"),
                QStringLiteral("The selected developer tools have no simctl; the Command Line "
                               "Tools alone cannot record simulators. Install Xcode, or select "
                               "it with 'sudo xcode-select -s /Applications/Xcode.app'.")};
        case SimulatorAvailability::noBootedSimulators:
            return AvailabilityAlert{
                QStringLiteral("No Simulator Running"),
                QStringLiteral("Please boot an iOS Simulator in Xcode before recording.")};
    }
    return std::nullopt;
}

QString recordingHints(SimulatorAvailability simulators, AndroidAvailability android,
                       bool anyDeviceReady) {
    if (anyDeviceReady) return QString();
    QStringList lines;
    // Xcode exists only on macOS: elsewhere its absence is no news and nothing to act on.
    const bool xcodeExpected =
        platform::kIsMacOS || simulators != SimulatorAvailability::xcodeMissing;
    if (simulators != SimulatorAvailability::available && xcodeExpected)
        lines << availabilityMessage(simulators);
    switch (android) {
        case AndroidAvailability::adbMissing:
            lines << QStringLiteral(
                         "Android platform tools (adb) not found. Install them (%1) to record "
                         "Android phones and emulators.")
                         .arg(adbInstallText());
            break;
        case AndroidAvailability::noDevices:
            lines << QStringLiteral(
                "No Android device found. Connect a phone with USB debugging turned on, or "
                "start an emulator.");
            break;
        case AndroidAvailability::available:
            lines << QStringLiteral(
                "Allow USB debugging on the connected Android device, then look again.");
            break;
    }
    return lines.join(QLatin1Char('\n'));
}

QString installHint() {
    // Non-breaking spaces keep a command on one line when the hint wraps.
    QString command = adbInstallText();
    command.replace(QLatin1Char(' '), QChar(0x00a0));
    if (platform::kIsMacOS)
        return QStringLiteral("Recording needs Xcode for iOS simulators, or adb for Android: %1")
            .arg(command);
    return QStringLiteral("Android recording needs adb: %1").arg(command);
}

QString defaultRecordingsFolder() {
    const QStringList documents =
        QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation);
    const QString base = documents.isEmpty() ? QDir::homePath() : documents.front();
    return QDir(base).filePath(QStringLiteral("Kestro"));
}

std::vector<std::string> RecordingWorkflow::launcherCandidates() {
    return SimulatorRecorder::launcherCandidatesFrom(std::getenv("KESTRO_XCRUN"));
}

RecordingWorkflow::RecordingWorkflow(EditorState& state, WorkflowDialogs* dialogs,
                                     std::vector<std::string> launchers, QObject* parent)
    : QObject(parent),
      state_(state),
      dialogs_(dialogs),
      recorder_(std::move(launchers)),
      android_(std::make_unique<AndroidRecorder>()) {
    const QSettings settings = openSettings();
    cleanStatusBar_ = settings.value(QLatin1String(kCleanStatusBarKey), false).toBool();
    showTouches_ = settings.value(QLatin1String(kShowTouchesKey), false).toBool();
    storedSaveLocation_ = settings.value(QLatin1String(kSaveLocationKey), QString()).toString();
    connect(&state_, &EditorState::appeared, this, &RecordingWorkflow::onAppear);
    captureWatch_.setInterval(500);
    connect(&captureWatch_, &QTimer::timeout, this, &RecordingWorkflow::watchRecording);
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &RecordingWorkflow::shutdown);
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive) onApplicationActivated();
                });
}

RecordingWorkflow::~RecordingWorkflow() {
    shutdown();
}

void RecordingWorkflow::setAndroidRecorder(std::unique_ptr<AndroidRecorder> recorder) {
    if (android_->isRecording() || starting_ || stopping_) return;
    scanner_.wait();
    if (activeRecorder_ == android_.get()) activeRecorder_ = recorder.get();
    android_ = std::move(recorder);
}

Recorder& RecordingWorkflow::recorderFor(const RecordingDevice& device) {
    if (device.isAndroid()) return *android_;
    return recorder_;
}

void RecordingWorkflow::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    captureWatch_.stop();
    for (WorkerThread* worker : {&scanner_, &starter_, &stopper_}) worker->wait();
    // Whatever the worker threads left running is ended here, on the way out; a save that
    // fails now has nobody left to tell.
    Recorder* const recorders[] = {&recorder_, android_.get()};
    for (Recorder* recorder : recorders) (void)recorder->stopRecording();
}

void RecordingWorkflow::runInBackground(WorkerThread& worker, const char* name,
                                        WorkerThread::Job work) {
    worker.run(name, [this, work = std::move(work)] {
        return std::function<void()>([this, then = work()] {
            if (!shutDown_) then();
        });
    });
}

void RecordingWorkflow::onAppear() {
    if (!storedSaveLocation_.isEmpty()) {
        const QFileInfo info(storedSaveLocation_);
        // A folder deleted (or replaced by a file) since it was chosen is forgotten quietly.
        setSaveLocation(info.isDir() ? std::optional<QString>(storedSaveLocation_) : std::nullopt);
    }
    refreshDevices();
}

void RecordingWorkflow::onApplicationActivated() {
    if (toolsMissing()) refreshDevices();
}

bool RecordingWorkflow::toolsMissing() const {
    return discovered_ && simulatorAvailability_ == SimulatorAvailability::xcodeMissing &&
           androidAvailability_ == AndroidAvailability::adbMissing;
}

void RecordingWorkflow::refreshDevices() {
    if (shutDown_) return;
    if (scanner_.busy()) {
        rescan_ = true;
        return;
    }
    runInBackground(scanner_, "kestro-rec-scan", [this] {
        // Discovery touches no recorder state (see the recorders' headers).
        auto booted = std::make_shared<std::vector<SimulatorDevice>>();
        auto phones = std::make_shared<std::vector<AndroidDevice>>();
        const SimulatorAvailability simulators = recorder_.checkAvailability(booted.get());
        const AndroidAvailability android = android_->checkAvailability(phones.get());
        return std::function<void()>([this, booted, phones, simulators, android] {
            std::vector<RecordingDevice> devices;
            for (const SimulatorDevice& d : *booted) devices.push_back({d});
            for (const AndroidDevice& d : *phones) devices.push_back({d});
            applyDiscovery(simulators, android, std::move(devices));
            emit devicesRefreshed();
            if (std::exchange(rescan_, false)) refreshDevices();
        });
    });
}

void RecordingWorkflow::applyDiscovery(SimulatorAvailability simulators,
                                       AndroidAvailability android,
                                       std::vector<RecordingDevice> devices) {
    if (!discovered_ || simulatorAvailability_ != simulators || androidAvailability_ != android) {
        discovered_ = true;
        simulatorAvailability_ = simulators;
        androidAvailability_ = android;
        emit availabilityChanged();
    }
    if (devices_ != devices) {
        devices_ = std::move(devices);
        emit availableDevicesChanged();
    }
    // Always the first ready device, even when the previous choice is still there.
    const auto ready = std::find_if(devices_.begin(), devices_.end(),
                                    [](const RecordingDevice& d) { return d.isReady(); });
    if (devices_.empty())
        selectDevice(std::nullopt);
    else
        selectDevice((ready != devices_.end() ? *ready : devices_.front()).id());
}

void RecordingWorkflow::setCleanStatusBar(bool on) {
    if (cleanStatusBar_ == on) return;
    cleanStatusBar_ = on;
    openSettings()
        .setValue(QLatin1String(kCleanStatusBarKey), on);
    emit recordingOptionsChanged();
}

void RecordingWorkflow::setShowTouches(bool on) {
    if (showTouches_ == on) return;
    showTouches_ = on;
    openSettings()
        .setValue(QLatin1String(kShowTouchesKey), on);
    emit recordingOptionsChanged();
}

void RecordingWorkflow::selectDevice(const std::optional<QString>& id) {
    std::optional<RecordingDevice> device;
    if (id) {
        const auto it = std::find_if(devices_.begin(), devices_.end(),
                                     [&](const RecordingDevice& d) { return d.id() == *id; });
        if (it != devices_.end()) device = *it;
    }
    if (selectedDeviceId_ == id && selectedDevice_ == device) return;
    selectedDeviceId_ = id;
    selectedDevice_ = std::move(device);
    emit selectedDeviceChanged();
}

void RecordingWorkflow::chooseSaveLocation() {
    if (!dialogs_) return;
    const std::optional<QString> folder = dialogs_->chooseRecordingsFolder();
    if (!folder || folder->isEmpty()) return;
    setSaveLocation(*folder);
}

void RecordingWorkflow::clearSaveLocation() {
    setSaveLocation(std::nullopt);
}

void RecordingWorkflow::setSaveLocation(std::optional<QString> folder) {
    const QString stored = folder.value_or(QString());
    if (storedSaveLocation_ != stored) {
        storedSaveLocation_ = stored;
        openSettings()
            .setValue(QLatin1String(kSaveLocationKey), stored);
    }
    if (saveLocation_ == folder) return;
    saveLocation_ = std::move(folder);
    emit saveLocationChanged();
}

void RecordingWorkflow::setRecordingState(RecordingState state) {
    if (recordingState_ == state) return;
    recordingState_ = state;
    emit recordingStateChanged(state);
}

void RecordingWorkflow::setRecordingPath(std::optional<QString> path) {
    if (recordingPath_ == path) return;
    recordingPath_ = std::move(path);
    emit recordingPathChanged();
}

void RecordingWorkflow::alert(const QString& title, const QString& message) {
    if (AlertPresenter* alerts = state_.alertPresenter()) alerts->showAlert(title, message);
}

std::optional<QString> RecordingWorkflow::chooseRecordingFile(
    const std::optional<QString>& startFolder) {
    if (!dialogs_) return std::nullopt;
    const std::optional<QString> chosen =
        dialogs_->chooseRecordingFile(startFolder, recordingFileName(QDateTime::currentDateTime()));
    if (!chosen || chosen->isEmpty()) return std::nullopt;
    return chosen;
}

void RecordingWorkflow::showAvailabilityAlert() {
    std::optional<AvailabilityAlert> alert = availabilityAlert(simulatorAvailability_);
    if (!alert) return;
    if (androidAvailability_ == AndroidAvailability::adbMissing)
        alert->message += QStringLiteral(
            "\n\nTo record Android phones and emulators, install the Android platform tools "
            "(adb).");
    this->alert(alert->title, alert->message);
}

namespace {

QString describe(const RecorderError& error) {
    QString text = QString::fromStdString(error.description);
    if (!error.recoverySuggestion.empty())
        text += QStringLiteral("\n\n") + QString::fromStdString(error.recoverySuggestion);
    return text;
}

}  // namespace

void RecordingWorkflow::beginRecording() {
    if (stopping_ || starting_ || shutDown_) return;
    const std::optional<RecordingDevice> device = selectedDevice_;
    const bool android = device && device->isAndroid();
    if (!android && simulatorAvailability_ != SimulatorAvailability::available) {
        showAvailabilityAlert();
        return;
    }
    if (!device) return;
    const std::optional<QString> path = chooseRecordingFile(saveLocation_);
    if (!path) return;

    const RecordingOptions options{cleanStatusBar_, showTouches_};
    const RecordingDevice target = *device;
    setRecordingFailure(QString());
    // Whole seconds: some file systems keep modification times no finer than that.
    QDateTime startedAt = QDateTime::currentDateTime();
    startedAt.setTime(
        QTime(startedAt.time().hour(), startedAt.time().minute(), startedAt.time().second()));
    const std::string file = path->toStdString();
    Recorder* recorder = &recorderFor(target);
    activeRecorder_ = recorder;
    setStarting(true);
    runInBackground(
        starter_, "kestro-rec-start", [this, recorder, target, file, options, path = *path, startedAt] {
            const Result<Done, RecorderError> started =
                recorder->startRecording(file, target.id().toStdString(), options);
            return std::function<void()>([this, started, target, path, startedAt] {
                setStarting(false);
                if (!started) {
                    alert(QStringLiteral("Recording Failed"), describe(started.error()));
                    return;
                }
                recordingStartedAt_ = startedAt;
                activeDevice_ = target;
                setRecordingPath(path);
                setRecordingState(RecordingState::recording);
                captureWatch_.start();
            });
        });
}

void RecordingWorkflow::watchRecording() {
    // The device stopped by itself (a phone unplugged or locked, protected content, a simulator
    // shut down): save what there is.
    if (!stopping_ && !starting_ && activeRecorder_ && activeRecorder_->isRecording() &&
        !activeRecorder_->isCapturing())
        endRecording();
}

void RecordingWorkflow::endRecording() {
    stopThen([this](std::optional<RecorderError> failure) {
        if (failure) {
            alert(QStringLiteral("Recording Failed"), describe(*failure));
            setRecordingPath(std::nullopt);
            setRecordingState(RecordingState::idle);
            return;
        }
        const std::optional<QString> movie =
            recordingPath_ ? recordedMovie(*recordingPath_) : std::nullopt;
        if (!movie) {
            // The recorder stopped cleanly but nothing was written: a success would be a lie.
            const QString why = noMovieMessage(recordingPath_.value_or(QString()));
            setRecordingFailure(why);
            setRecordingPath(std::nullopt);
            setRecordingState(RecordingState::idle);
            alert(QStringLiteral("Recording Failed"), why);
            return;
        }
        setRecordingState(RecordingState::recorded);
        QTimer::singleShot(importDelayMs_, this, [this, file = *movie] { importRecording(file); });
    });
}

std::optional<QString> RecordingWorkflow::recordedMovie(const QString& path) const {
    return movieMadeSince(path, recordingStartedAt_);
}

void RecordingWorkflow::setRecordingFailure(const QString& why) {
    if (recordingFailure_ == why) return;
    recordingFailure_ = why;
    emit recordingFailureChanged();
}

std::optional<QString> RecordingWorkflow::stopForClosing() {
    const bool recorded = recordingState_ == RecordingState::recording;
    const std::optional<QString> path = recordingPath_;
    shutdown();
    if (!recorded || !path) return std::nullopt;
    return recordedMovie(*path);
}

void RecordingWorkflow::resetRecording() {
    setRecordingFailure(QString());
    stopThen([this](std::optional<RecorderError>) {
        activeDevice_.reset();
        setRecordingPath(std::nullopt);
        setRecordingState(RecordingState::idle);
    });
}

void RecordingWorkflow::importRecording(const QString& path) {
    QString imported = path;
    if (!QFileInfo(path).isFile()) {
        // The simulator sometimes finishes the movie under another name; the newest movie in
        // the same folder made since the recording started is what was just recorded. An older
        // one never is, and without a recording there is nothing to look for.
        if (!recordingStartedAt_.isValid()) return;
        const std::optional<QString> newest =
            newestMovieIn(QFileInfo(path).absolutePath(), recordingStartedAt_);
        if (!newest) return;
        imported = *newest;
    }
    // A phone's recording goes into a phone of its kind, as a simulator's goes into an iPhone,
    // once the movie has loaded. Worked out now: the device may change before that.
    const FramePreset* phoneFrame = activeDevice_ && activeDevice_->isAndroid()
                                        ? bestAndroidFrame(activeDevice_->name().toStdString())
                                        : nullptr;
    state_.playback().loadVideo(imported, [state = &state_, phoneFrame](bool loaded) {
        if (loaded && phoneFrame)
            state->frame().setFramePreset(QString::fromStdString(phoneFrame->key));
    });
    emit importAttempted(imported);
}

void RecordingWorkflow::stopThen(std::function<void(std::optional<RecorderError>)> continuation) {
    if (stopping_ || starting_) return;
    captureWatch_.stop();
    Recorder* recorder = activeRecorder_;
    if (!recorder || !recorder->isRecording()) {
        // Nothing to wait for.
        continuation(std::nullopt);
        return;
    }
    setStopping(true);
    runInBackground(stopper_, "kestro-rec-stop", [this, recorder, continuation] {
        std::optional<RecorderError> failure;
        if (auto stopped = recorder->stopRecording(); !stopped) failure = stopped.error();
        return std::function<void()>([this, continuation, failure] {
            setStopping(false);
            continuation(failure);
        });
    });
}

}  // namespace kestro
