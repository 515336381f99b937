#include "app/editor/recording_workflow.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/workflow_dialogs.hpp"
#include "core/thread_name.hpp"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace kestro {

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
                "Xcode Command Line Tools not found. Install Xcode to enable Simulator recording.");
        case SimulatorAvailability::simctlUnavailable:
            return QStringLiteral(
                "simctl is unavailable. Install/repair Xcode command line tools.");
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
                QStringLiteral("The Xcode command line tools are missing or misconfigured. Run "
                               "'xcode-select --install'.")};
        case SimulatorAvailability::noBootedSimulators:
            return AvailabilityAlert{
                QStringLiteral("No Simulator Running"),
                QStringLiteral("Please boot an iOS Simulator in Xcode before recording.")};
    }
    return std::nullopt;
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

namespace {

SimulatorAvailability fromCore(SimulatorRecorder::Availability availability) {
    switch (availability) {
        case SimulatorRecorder::Availability::available:
            return SimulatorAvailability::available;
        case SimulatorRecorder::Availability::xcodeMissing:
            return SimulatorAvailability::xcodeMissing;
        case SimulatorRecorder::Availability::simctlUnavailable:
            return SimulatorAvailability::simctlUnavailable;
        case SimulatorRecorder::Availability::noBootedSimulators:
            return SimulatorAvailability::noBootedSimulators;
    }
    return SimulatorAvailability::noBootedSimulators;
}

}  // namespace

std::vector<std::string> RecordingWorkflow::launcherCandidates() {
    return SimulatorRecorder::launcherCandidatesFrom(std::getenv("KESTRO_XCRUN"));
}

RecordingWorkflow::RecordingWorkflow(EditorState& state, WorkflowDialogs* dialogs,
                                     std::vector<std::string> launchers, QObject* parent)
    : QObject(parent), state_(state), dialogs_(dialogs), recorder_(std::move(launchers)) {
    connect(&state_, &EditorState::appeared, this, &RecordingWorkflow::onAppear);
}

RecordingWorkflow::~RecordingWorkflow() {
    if (stopper_.joinable()) stopper_.join();
}

void RecordingWorkflow::onAppear() {
    refreshDevices();
}

void RecordingWorkflow::refreshDevices() {
    std::vector<SimulatorDevice> booted;
    state_.setSimAvailability(fromCore(recorder_.checkAvailability(&booted)));
    std::vector<SimulatorChoice> devices;
    for (const SimulatorDevice& d : booted)
        devices.push_back({QString::fromStdString(d.name), QString::fromStdString(d.id)});
    state_.setAvailableDevices(devices);
    // Always the first listed device, even when the previous choice is still booted.
    if (devices.empty()) {
        state_.setSimulatorDevice(std::nullopt);
        state_.setSelectedDeviceId(std::nullopt);
    } else {
        state_.setSimulatorDevice(devices.front());
        state_.setSelectedDeviceId(devices.front().id);
    }
}

void RecordingWorkflow::selectDevice(const std::optional<QString>& id) {
    state_.setSelectedDeviceId(id);
    std::optional<SimulatorChoice> device;
    if (id) {
        const auto& devices = state_.availableDevices();
        const auto it = std::find_if(devices.begin(), devices.end(),
                                     [&](const SimulatorChoice& d) { return d.id == *id; });
        if (it != devices.end()) device = *it;
    }
    state_.setSimulatorDevice(device);
}

void RecordingWorkflow::chooseSaveLocation() {
    if (!dialogs_) return;
    const std::optional<QString> folder = dialogs_->chooseRecordingsFolder();
    if (!folder || folder->isEmpty()) return;
    state_.setCustomSaveLocation(*folder);
    state_.setCustomSaveLocationPath(*folder);
}

void RecordingWorkflow::clearSaveLocation() {
    state_.setCustomSaveLocation(std::nullopt);
    state_.setCustomSaveLocationPath(QString());
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
    const std::optional<AvailabilityAlert> alert = availabilityAlert(state_.simAvailability());
    if (alert && state_.alertPresenter())
        state_.alertPresenter()->showAlert(alert->title, alert->message);
}

void RecordingWorkflow::beginRecording() {
    if (stopping_) return;
    if (state_.simAvailability() != SimulatorAvailability::available) {
        showAvailabilityAlert();
        return;
    }
    const std::optional<SimulatorChoice> device = state_.simulatorDevice();
    if (!device) return;
    const std::optional<QString> path = chooseRecordingFile(state_.customSaveLocation());
    if (!path) return;

    auto started = recorder_.startRecording(
        path->toStdString(), SimulatorDevice{device->name.toStdString(), device->id.toStdString()});
    if (!started) {
        if (state_.alertPresenter())
            state_.alertPresenter()->showAlert(QStringLiteral("Recording Failed"),
                                               QString::fromStdString(started.error().description));
        return;
    }
    state_.setRecordingPath(*path);
    state_.setRecordingState(RecordingState::recording);
}

void RecordingWorkflow::endRecording() {
    stopThen([this] {
        state_.setRecordingState(RecordingState::recorded);
        if (const std::optional<QString> path = state_.recordingPath()) {
            QTimer::singleShot(importDelayMs_, this,
                               [this, file = *path] { importRecording(file); });
        }
    });
}

void RecordingWorkflow::resetRecording() {
    stopThen([this] {
        state_.setRecordingPath(std::nullopt);
        state_.setRecordingState(RecordingState::idle);
    });
}

void RecordingWorkflow::importRecording(const QString& path) {
    if (QFileInfo(path).isFile()) {
        state_.loadVideo(path);
        emit importAttempted(path);
        return;
    }
    // The simulator sometimes finishes the movie under another name; the newest movie in the
    // same folder is the best guess at what was just recorded.
    if (const std::optional<QString> newest = newestMovieIn(QFileInfo(path).absolutePath())) {
        state_.loadVideo(*newest);
        emit importAttempted(*newest);
    }
}

void RecordingWorkflow::stopThen(std::function<void()> continuation) {
    if (stopping_) return;
    if (recorder_.state() == SimulatorRecorder::State::idle) {
        // Nothing to wait for.
        recorder_.stopRecording();
        continuation();
        return;
    }
    setStopping(true);
    stopper_ = std::thread([this, continuation = std::move(continuation)] {
        nameThisThread("kestro-rec-stop");
        recorder_.stopRecording();
        QMetaObject::invokeMethod(
            this,
            [this, continuation] {
                if (stopper_.joinable()) stopper_.join();
                setStopping(false);
                continuation();
            },
            Qt::QueuedConnection);
    });
}

void RecordingWorkflow::setStopping(bool stopping) {
    if (stopping_ == stopping) return;
    stopping_ = stopping;
    emit stoppingChanged(stopping);
}

}  // namespace kestro
