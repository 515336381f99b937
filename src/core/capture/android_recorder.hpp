#pragma once
// Finds adb and the Android phones and emulators it sees, and records one device's screen with
// the phone's own `screenrecord`, which stops by itself after a time limit: the recording is
// taken in pieces, each pulled to this computer and removed from the phone as soon as the next
// one runs, and the pieces are joined without re-encoding into the output when it stops.
// Unless told not to, the touchscreen's events are logged meanwhile and written beside the
// movie as its touch file (see android_touch_log.hpp and touch_file.hpp).
//
// Discovery (adbPath, checkAvailability, listDevices) keeps no state and never fails; every
// problem is folded into its result.
//
// Threads: the calls block their caller while adb runs (startRecording for up to about a second
// to see whether the phone's recorder accepted; stopRecording for up to 5 s of grace, then the
// pull and the join), so an interactive program calls them off its interface thread. A recorder
// is used from one thread at a time. While it records, a thread of its own ("kestro-adb-rec")
// owns the running piece, the settings session and the list of pulled pieces: it starts the next
// piece when one ends and pulls the finished one. Meanwhile the owner only reads the session's
// `capturing` flag (atomic) and sets its `stopRequested` (under the session's mutex);
// stopRecording() joins that thread before touching anything else, so after the join everything
// is the owner's again.

#include "core/capture/adb_listing.hpp"
#include "core/capture/android_settings.hpp"
#include "core/capture/child_process.hpp"
#include "core/capture/recorder.hpp"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kestro {

class AndroidRecorder final : public Recorder {
public:
    enum class Availability {
        available,   // adb runs and lists at least one device (in any state)
        adbMissing,  // no candidate is an executable file, or it cannot be started
        noDevices,   // adb runs, nothing is connected
    };

    // How long things may take; tests shorten them.
    struct Timing {
        int pieceSeconds = 180;                     // screenrecord's --time-limit
        std::chrono::milliseconds startCheck{700};  // a recorder that exits this soon refused
        std::chrono::milliseconds stopGrace{5000};  // for the local adb after the interrupt
    };

    // Error codes within kAndroidErrorDomain.
    enum ErrorCode {
        adbMissing = 1,
        noDevice = 2,
        unauthorized = 3,
        offline = 4,
        unusable = 5,
        recorderRefused = 6,
        pullFailed = 7,
        saveFailed = 8,
    };

    // "available", "adbMissing", "noDevices": the names machine-readable output uses.
    static std::string_view availabilityName(Availability availability);
    // What to tell a user about an availability that keeps a recording from starting; empty for
    // available.
    static std::string_view availabilityMessage(Availability availability);

    // Candidates from the process environment (see adb_locator.hpp).
    AndroidRecorder();
    explicit AndroidRecorder(std::vector<std::string> candidates);
    AndroidRecorder(std::vector<std::string> candidates, Timing timing);
    // A recorder dropped while recording stops and saves first, so the phone is left as it was.
    ~AndroidRecorder() override;

    // The first candidate that is an executable file.
    std::optional<std::string> adbPath() const;
    Availability checkAvailability(std::vector<AndroidDevice>* devices = nullptr) const;
    std::vector<AndroidDevice> listDevices() const;

    // Stops and saves a recording still running first; when that save fails, its failure is
    // returned and nothing new starts. Then checks the device (the one with this serial, the
    // first recordable one when none is given), applies the options and starts the first piece.
    // On failure every setting is restored, nothing stays on the phone and nothing is written
    // at `output`.
    Result<Done, RecorderError> startRecording(const std::filesystem::path& output,
                                               const std::optional<std::string>& serial,
                                               const RecordingOptions& options = {}) override;

    // Interrupts the phone's recorder, restores the settings, pulls and removes the last piece
    // and writes the joined movie at the output path (through a temporary file: an earlier
    // file there survives a failure). Succeeds when a movie was written; pieces that were
    // pulled before a failure are still saved. Returns at once (Done) when nothing records.
    Result<Done, RecorderError> stopRecording() override;

    // Whether a recording was started and not yet stopped.
    bool isRecording() const override { return session_ != nullptr; }
    // Whether its pieces are still coming: false once the phone's recorder failed or the device
    // went away, so a caller waiting for the user can stop at once.
    bool isCapturing() override;
    const std::optional<std::filesystem::path>& outputPath() const { return outputPath_; }

private:
    struct Session;
    void monitor(Session& session);
    Result<ChildProcess, RecorderError> startPiece(Session& session);
    void collectPiece(Session& session, const std::string& remote,
                      std::chrono::steady_clock::time_point started);
    // Writes the touch file beside the saved movie (or removes a stale one when there are no
    // touches).
    void saveTouches(Session& session);

    std::vector<std::string> candidates_;
    Timing timing_;
    std::unique_ptr<Session> session_;
    std::optional<std::filesystem::path> outputPath_;
};

}  // namespace kestro
