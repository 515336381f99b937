#pragma once
// What every recorder offers its front ends: start a recording of one device into a movie file,
// stop it, and ask whether it is still going. A simulator's and a phone's recorder differ in how
// they find devices (each has its own discovery calls) but are started, watched and stopped the
// same way, so the editor and the command line hold whichever one records as a Recorder.
//
// Threads: every call blocks its caller while the device's tools run (a stop for many seconds),
// so an interactive program calls them off its interface thread. A recorder is used from one
// thread at a time; the header of each implementation says which threads of its own it runs.

#include "core/capture/recorder_error.hpp"
#include "core/capture/recording_options.hpp"
#include "core/result.hpp"

#include <filesystem>
#include <optional>
#include <string>

namespace kestro {

class Recorder {
public:
    Recorder() = default;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;
    // Every implementation stops a running recording when dropped, as stopRecording() does, so
    // no recording tool outlives its owner and the device's settings are put back.
    virtual ~Recorder() = default;

    // Finishes any recording still tracked, then records the device with this id (a simulator's
    // UDID, an Android serial; the first usable device when none is given) into `output`.
    // Returns once the device's recorder has started; on failure nothing records.
    virtual Result<Done, RecorderError> startRecording(const std::filesystem::path& output,
                                                       const std::optional<std::string>& deviceId,
                                                       const RecordingOptions& options = {}) = 0;

    // Ends the recording and saves the movie at the output path. Returns at once (Done) when
    // nothing records; afterwards the recorder is idle whatever the result.
    virtual Result<Done, RecorderError> stopRecording() = 0;

    // A recording was started and not yet stopped.
    virtual bool isRecording() const = 0;
    // Its pictures are still coming: false once the device's recorder ended by itself (the
    // device went away, the tool gave up), so a caller waiting for the user can stop at once.
    virtual bool isCapturing() = 0;
};

}  // namespace kestro
