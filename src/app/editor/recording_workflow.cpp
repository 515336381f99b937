#include "app/editor/recording_workflow.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/settings_file.hpp"
#include "app/editor/workflow_dialogs.hpp"
#include "core/capture/adb_locator.hpp"
#include "core/model/android_frame_match.hpp"
#include "core/platform.hpp"
#include "core/thread_name.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>
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

std::optional<QString> newestMovieIn(const QString& folder) {
    const QDir dir(folder);
    if (!dir.exists()) return std::nullopt;
    QFileInfoList movies;
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        if (entry.suffix() == QLatin1String("mp4")) movies.append(entry);
    if (movies.isEmpty()) return std::nullopt;
    // Many Linux file systems do not report a creation time; the last write is the nearest
    // stand-in there, and for a freshly recorded movie it is the same moment.
    const auto created = [](const QFileInfo& info) {
        const QDateTime birth = info.birthTime();
        return birth.isValid() ? birth : info.lastModified();
    };
    const auto newest = std::max_element(
        movies.cbegin(), movies.cend(),
        [&](const QFileInfo& a, const QFileInfo& b) { return created(a) < created(b); });
    return newest->absoluteFilePath();
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
    androidWatch_.setInterval(500);
    connect(&androidWatch_, &QTimer::timeout, this, &RecordingWorkflow::watchAndroidRecording);
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
    if (scanner_.joinable()) scanner_.join();
    android_ = std::move(recorder);
}

void RecordingWorkflow::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    androidWatch_.stop();
    for (std::thread* t : {&scanner_, &starter_, &stopper_})
        if (t->joinable()) t->join();
    // Whatever the worker threads left running is ended here, on the way out.
    recorder_.stopRecording();
    android_->stopRecording();
}

void RecordingWorkflow::runInBackground(std::thread& slot, const char* name,
                                        std::function<std::function<void()>()> work) {
    if (slot.joinable()) slot.join();
    slot = std::thread([this, &slot, name, work = std::move(work)] {
        nameThisThread(name);
        std::function<void()> then = work();
        QMetaObject::invokeMethod(
            this,
            [this, &slot, then = std::move(then)] {
                if (slot.joinable()) slot.join();
                if (!shutDown_) then();
            },
            Qt::QueuedConnection);
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
    if (scanner_.joinable()) {
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
    const std::string file = path->toStdString();
    setStarting(true);
    runInBackground(starter_, "kestro-rec-start", [this, target, file, options, path = *path] {
        const Result<Done, RecorderError> started =
            target.isAndroid()
                ? android_->startRecording(file, target.id().toStdString(), options)
                : recorder_.startRecording(file, std::get<SimulatorDevice>(target.device), options);
        return std::function<void()>([this, started, target, path] {
            setStarting(false);
            if (!started) {
                alert(QStringLiteral("Recording Failed"), describe(started.error()));
                return;
            }
            activeDevice_ = target;
            setRecordingPath(path);
            setRecordingState(RecordingState::recording);
            if (target.isAndroid()) androidWatch_.start();
        });
    });
}

void RecordingWorkflow::watchAndroidRecording() {
    // The phone stopped by itself (unplugged, locked, protected content): save what there is.
    if (!stopping_ && !starting_ && android_->isRecording() && !android_->isCapturing())
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
        setRecordingState(RecordingState::recorded);
        if (const std::optional<QString> path = recordingPath_) {
            QTimer::singleShot(importDelayMs_, this,
                               [this, file = *path] { importRecording(file); });
        }
    });
}

void RecordingWorkflow::resetRecording() {
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
        // the same folder is the best guess at what was just recorded.
        const std::optional<QString> newest = newestMovieIn(QFileInfo(path).absolutePath());
        if (!newest) return;
        imported = *newest;
    }
    // A phone's recording goes into a phone of its kind, as a simulator's goes into an iPhone,
    // once the movie has loaded. Worked out now: the device may change before that.
    const FramePreset* phoneFrame = activeDevice_ && activeDevice_->isAndroid()
                                        ? bestAndroidFrame(activeDevice_->name().toStdString())
                                        : nullptr;
    state_.loadVideo(imported, [state = &state_, phoneFrame](bool loaded) {
        if (loaded && phoneFrame) state->setFramePreset(QString::fromStdString(phoneFrame->key));
    });
    emit importAttempted(imported);
}

void RecordingWorkflow::stopThen(std::function<void(std::optional<RecorderError>)> continuation) {
    if (stopping_ || starting_) return;
    androidWatch_.stop();
    const bool android = android_->isRecording();
    if (!android && recorder_.state() == SimulatorRecorder::State::idle) {
        // Nothing to wait for.
        recorder_.stopRecording();
        continuation(std::nullopt);
        return;
    }
    setStopping(true);
    runInBackground(stopper_, "kestro-rec-stop", [this, android, continuation] {
        std::optional<RecorderError> failure;
        if (android) {
            auto stopped = android_->stopRecording();
            if (!stopped) failure = stopped.error();
        } else {
            recorder_.stopRecording();
        }
        return std::function<void()>([this, continuation, failure] {
            setStopping(false);
            continuation(failure);
        });
    });
}

void RecordingWorkflow::setStopping(bool stopping) {
    if (stopping_ == stopping) return;
    stopping_ = stopping;
    emit stoppingChanged(stopping);
}

void RecordingWorkflow::setStarting(bool starting) {
    if (starting_ == starting) return;
    starting_ = starting;
    emit startingChanged(starting);
}

}  // namespace kestro
