#include "core/capture/android_recorder.hpp"

#include "core/capture/adb_locator.hpp"
#include "core/capture/android_touch_log.hpp"
#include "core/capture/child_stop.hpp"
#include "core/capture/recording_files.hpp"
#include "core/capture/tool_locator.hpp"
#include "core/capture/tool_run.hpp"
#include "core/media/movie_join.hpp"
#include "core/media/movie_probe.hpp"
#include "core/model/touch_file.hpp"
#include "core/thread_name.hpp"

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <system_error>
#include <utility>

namespace kestro {

namespace {

using namespace std::chrono_literals;

constexpr auto kMonitorPoll = 50ms;

RecorderError androidError(int code, std::string description, std::string suggestion) {
    return RecorderError{std::string(kAndroidErrorDomain), code, std::move(description),
                         std::move(suggestion)};
}

RecorderError adbMissingError() {
    return androidError(AndroidRecorder::adbMissing,
                        std::string(AndroidRecorder::availabilityMessage(
                            AndroidRecorder::Availability::adbMissing)),
                        "Install the Android platform tools (on Debian and Ubuntu: sudo apt "
                        "install adb), or set KESTRO_ADB to the adb program.");
}

// The last lines a tool printed, for an error text: what the phone said is the best clue.
std::string lastWords(const ToolRun& run) {
    std::string text = run.standardError.empty() ? run.standardOutput : run.standardError;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    constexpr size_t kLimit = 300;
    if (text.size() > kLimit) text = "..." + text.substr(text.size() - kLimit);
    return text;
}

RecorderError stateError(const AndroidDevice& device) {
    if (device.state == "unauthorized")
        return androidError(AndroidRecorder::unauthorized,
                            "The Android device " + device.name +
                                " has not allowed USB debugging from this computer.",
                            "Unlock the phone and accept the \"Allow USB debugging?\" prompt, "
                            "then try again.");
    if (device.state == "offline")
        return androidError(AndroidRecorder::offline,
                            "The Android device " + device.name + " is offline.",
                            "Reconnect the cable (or the Wi-Fi pairing), or restart adb with "
                            "\"adb kill-server\", then try again.");
    return androidError(
        AndroidRecorder::unusable,
        "The Android device " + device.name + " cannot be used (" + device.state + ").",
        device.state == "no permissions"
            ? "Give your user access to the USB device (udev rules, plugdev "
              "group), then reconnect it."
            : "Wait until the device has started, then try again.");
}

}  // namespace

struct AndroidRecorder::Session {
    std::string adb;
    AndroidDevice device;
    std::filesystem::path folder;  // this computer's copies of the pieces
    std::string stamp;
    int nextPiece = 1;
    std::unique_ptr<AndroidSettings> settings;

    std::optional<ChildProcess> piece;  // the running piece's local adb
    std::string pieceRemote;            // its file on the phone; empty when none
    std::chrono::steady_clock::time_point pieceStarted;
    std::vector<std::filesystem::path> pulled;
    std::vector<std::chrono::steady_clock::time_point> pulledStarted;  // one per pulled piece
    std::unique_ptr<AndroidTouchLog> touches;  // none: no touchscreen, or not asked for
    std::optional<RecorderError> failure;  // the first thing that went wrong

    std::mutex mutex;
    std::condition_variable wake;
    bool stopRequested = false;  // guarded by mutex
    std::atomic<bool> capturing{true};
    std::thread thread;

    ~Session() {
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }

    std::vector<std::string> adbArguments(std::initializer_list<std::string> rest) const {
        std::vector<std::string> arguments{"-s", device.serial};
        arguments.insert(arguments.end(), rest.begin(), rest.end());
        return arguments;
    }
    void keepFirst(RecorderError error) {
        if (!failure) failure = std::move(error);
    }
};

std::string_view AndroidRecorder::availabilityName(Availability availability) {
    switch (availability) {
        case Availability::available:
            return "available";
        case Availability::adbMissing:
            return "adbMissing";
        case Availability::noDevices:
            return "noDevices";
    }
    return "adbMissing";
}

std::string_view AndroidRecorder::availabilityMessage(Availability availability) {
    switch (availability) {
        case Availability::available:
            return {};
        case Availability::adbMissing:
            return "adb, the Android platform tools, was not found.";
        case Availability::noDevices:
            return "No Android device or emulator is connected.";
    }
    return {};
}

AndroidRecorder::AndroidRecorder() : AndroidRecorder(adbCandidates(adbSearchEnvironment())) {}

AndroidRecorder::AndroidRecorder(std::vector<std::string> candidates)
    : AndroidRecorder(std::move(candidates), Timing{}) {}

AndroidRecorder::AndroidRecorder(std::vector<std::string> candidates, Timing timing)
    : candidates_(std::move(candidates)), timing_(timing) {}

AndroidRecorder::~AndroidRecorder() {
    // Nobody is left to tell about a save that failed; the phone is put back either way.
    (void)stopRecording();
}

std::optional<std::string> AndroidRecorder::adbPath() const {
    return firstExecutable(candidates_);
}

AndroidRecorder::Availability AndroidRecorder::checkAvailability(
    std::vector<AndroidDevice>* devices) const {
    if (devices) devices->clear();
    const std::optional<std::string> adb = adbPath();
    if (!adb) return Availability::adbMissing;
    const ToolRun run = runTool(*adb, {"devices", "-l"});
    if (run.launchError) return Availability::adbMissing;
    std::vector<AndroidDevice> listed = parseAdbDevices(run.standardOutput);
    const Availability availability =
        listed.empty() ? Availability::noDevices : Availability::available;
    if (devices) *devices = std::move(listed);
    return availability;
}

std::vector<AndroidDevice> AndroidRecorder::listDevices() const {
    std::vector<AndroidDevice> devices;
    checkAvailability(&devices);
    return devices;
}

bool AndroidRecorder::isCapturing() {
    return session_ && session_->capturing.load();
}

Result<ChildProcess, RecorderError> AndroidRecorder::startPiece(Session& session) {
    const std::string remote =
        "/sdcard/kestro-" + session.stamp + "-" + std::to_string(session.nextPiece++) + ".mp4";
    SpawnRequest request{session.adb,
                         session.adbArguments({"shell", "screenrecord", "--time-limit",
                                               std::to_string(timing_.pieceSeconds), remote}),
                         ChildStream::collect, ChildStream::collect,
                         // Only our stop may end a piece, not a Ctrl-C meant for us: a local adb
                         // killed mid-piece leaves a movie on the phone that never finishes.
                         true};
    auto child = ChildProcess::spawn(request);
    if (!child)
        return fail(RecorderError{
            std::string(kLaunchErrorDomain), child.error().code, child.error().description, {}});
    session.pieceRemote = remote;
    session.pieceStarted = std::chrono::steady_clock::now();
    return std::move(*child);
}

void AndroidRecorder::collectPiece(Session& session, const std::string& remote,
                                   std::chrono::steady_clock::time_point started) {
    const std::filesystem::path local =
        session.folder / ("piece-" + std::to_string(session.pulled.size() + 1) + ".mp4");
    const ToolRun pull =
        runTool(session.adb, session.adbArguments({"pull", remote, local.string()}));
    if (pull.succeeded() && hasData(local)) {
        session.pulled.push_back(local);
        session.pulledStarted.push_back(started);
    } else {
        session.keepFirst(androidError(
            pullFailed, "The recording could not be copied from the phone: " + lastWords(pull),
            "Keep the device connected until the recording is saved, and check the free space "
            "on this computer."));
    }
    // Also after a failed pull: nothing of ours stays on the phone.
    runTool(session.adb, session.adbArguments({"shell", "rm", "-f", remote}));
}

void AndroidRecorder::monitor(Session& session) {
    for (;;) {
        {
            std::unique_lock lock(session.mutex);
            if (session.wake.wait_for(lock, kMonitorPoll, [&] { return session.stopRequested; }))
                return;
        }
        if (session.piece->isRunning()) continue;

        // The piece ended by itself: its time limit, or the phone gave up.
        const CollectedOutput said = session.piece->readOutputToEnd();
        const int status = session.piece->waitForExit();
        session.piece.reset();
        const std::string finished = std::exchange(session.pieceRemote, {});
        const auto finishedStarted = session.pieceStarted;
        if (status != 0) {
            ToolRun run;
            run.standardOutput = said.standardOutput;
            run.standardError = said.standardError;
            session.keepFirst(androidError(
                offline,
                "The recording stopped: the phone's recorder ended (" + lastWords(run) + ").",
                "Check that the device is still connected and unlocked."));
            collectPiece(session, finished, finishedStarted);
            session.capturing = false;
            return;
        }
        // The next piece starts before the finished one is copied, so the gap stays short.
        auto next = startPiece(session);
        if (next) session.piece.emplace(std::move(*next));
        collectPiece(session, finished, finishedStarted);
        if (!next) {
            session.keepFirst(next.error());
            session.capturing = false;
            return;
        }
    }
}

Result<Done, RecorderError> AndroidRecorder::startRecording(
    const std::filesystem::path& output, const std::optional<std::string>& serial,
    const RecordingOptions& options) {
    // A movie that could not be saved is said before anything new starts, or it is lost unseen.
    if (auto earlier = stopRecording(); !earlier) return earlier;

    const std::optional<std::string> adb = adbPath();
    if (!adb) return fail(adbMissingError());
    const ToolRun listing = runTool(*adb, {"devices", "-l"});
    if (listing.launchError) return fail(adbMissingError());
    const std::vector<AndroidDevice> devices = parseAdbDevices(listing.standardOutput);

    std::optional<AndroidDevice> target;
    if (serial) {
        const auto it = std::find_if(devices.begin(), devices.end(),
                                     [&](const AndroidDevice& d) { return d.serial == *serial; });
        if (it == devices.end())
            return fail(androidError(noDevice,
                                     "The Android device " + *serial + " is not connected.",
                                     "Check the cable or the Wi-Fi connection; \"adb devices\" "
                                     "lists what is connected."));
        target = *it;
    } else {
        const auto it = std::find_if(devices.begin(), devices.end(),
                                     [](const AndroidDevice& d) { return d.isRecordable(); });
        if (it != devices.end()) {
            target = *it;
        } else if (!devices.empty()) {
            target = devices.front();  // its state tells the user what to do
        } else {
            return fail(androidError(noDevice,
                                     std::string(availabilityMessage(Availability::noDevices)),
                                     "Connect a phone with USB debugging turned on, or start "
                                     "an emulator."));
        }
    }
    if (!target->isRecordable()) return fail(stateError(*target));

    auto session = std::make_unique<Session>();
    session->adb = *adb;
    session->device = *target;
    session->stamp = recordingStamp();
    std::string folderTemplate =
        (std::filesystem::temp_directory_path() / "kestro-adb-XXXXXX").string();
    if (::mkdtemp(folderTemplate.data()) == nullptr)
        return fail(androidError(saveFailed,
                                 "No temporary folder could be created for the recording.",
                                 "Check the free space and permissions of the temporary folder."));
    session->folder = folderTemplate;
    std::error_code ignored;
    if (output.has_parent_path())
        std::filesystem::create_directories(output.parent_path(), ignored);

    session->settings = std::make_unique<AndroidSettings>(*adb, target->serial);
    session->settings->apply(options);
    // The touch log starts first so that it sees the recording's first moments.
    if (options.logTouches) session->touches = AndroidTouchLog::start(*adb, target->serial);

    auto first = startPiece(*session);
    if (!first) {
        session->settings->restore();
        return fail(first.error());
    }
    session->piece.emplace(std::move(*first));

    // A phone without screenrecord, or one that refuses (protected content, no encoder), ends
    // the piece at once; a recording that runs past this check has been accepted.
    const auto deadline = std::chrono::steady_clock::now() + timing_.startCheck;
    while (session->piece->isRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kMonitorPoll / 2);
    if (!session->piece->isRunning()) {
        const CollectedOutput said = session->piece->readOutputToEnd();
        session->piece->waitForExit();
        session->piece.reset();
        session->settings->restore();
        runTool(*adb, session->adbArguments({"shell", "rm", "-f", session->pieceRemote}));
        ToolRun run;
        run.standardOutput = said.standardOutput;
        run.standardError = said.standardError;
        const std::string detail = lastWords(run);
        return fail(androidError(
            recorderRefused,
            "The phone's screen recorder did not start" + (detail.empty() ? "." : ": " + detail),
            "Some devices have no screenrecord, and protected content (such as DRM video or "
            "secure screens) cannot be recorded."));
    }

    Session& running = *session;
    try {
        session->thread = std::thread([this, &running] {
            nameThisThread("kestro-adb-rec");
            monitor(running);
        });
    } catch (...) {
        // Without the thread the recording is a single piece; stop still saves it.
        running.capturing = true;
    }
    session_ = std::move(session);
    outputPath_ = output;
    return Done{};
}

void AndroidRecorder::saveTouches(Session& session) {
    // A touch file left from an earlier recording at this path would describe another movie.
    const std::filesystem::path sidecar = touchFilePath(*outputPath_);
    std::error_code ignored;
    std::filesystem::remove(sidecar, ignored);
    if (!session.touches) return;
    const std::vector<StampedTouch> stamped = session.touches->finish();
    std::vector<RecordedPiece> pieces;
    for (std::size_t i = 0; i < session.pulled.size(); ++i) {
        const auto info = probeMovie(session.pulled[i]);
        pieces.push_back({session.pulledStarted[i], info ? info->duration : 0.0});
    }
    DisplaySize movie = session.touches->recorded();
    if (const auto info = probeMovie(*outputPath_); info && info->hasVideo)
        movie = {info->video.uprightWidth, info->video.uprightHeight};
    // Best effort: the movie is what was asked for, and it is saved.
    (void)writeTouchFile(sidecar, placeTouches(stamped, pieces, session.touches->recorded(), movie));
}

Result<Done, RecorderError> AndroidRecorder::stopRecording() {
    if (!session_) return Done{};
    Session& s = *session_;
    {
        std::lock_guard lock(s.mutex);
        s.stopRequested = true;
    }
    s.wake.notify_all();
    if (s.thread.joinable()) s.thread.join();

    if (s.piece) {
        if (s.piece->isRunning())
            runTool(s.adb, s.adbArguments({"shell", "pkill", "-INT", "screenrecord"}));
        awaitExitOrTerminate(*s.piece, timing_.stopGrace);
        s.piece.reset();
    }
    s.settings->restore();
    if (!s.pieceRemote.empty()) collectPiece(s, std::exchange(s.pieceRemote, {}), s.pieceStarted);

    Result<Done, RecorderError> result = Done{};
    if (s.pulled.empty()) {
        result = fail(s.failure ? *s.failure
                                : androidError(pullFailed, "The phone wrote no recording.",
                                               "Keep the device connected and unlocked while "
                                               "recording."));
    } else if (auto joined = joinMovies(s.pulled, *outputPath_); !joined) {
        result = fail(androidError(saveFailed,
                                   "The recording could not be saved: " + joined.error().message,
                                   "Check the free space and permissions of the destination "
                                   "folder."));
    } else {
        saveTouches(s);
    }
    session_.reset();
    outputPath_.reset();
    return result;
}

}  // namespace kestro
