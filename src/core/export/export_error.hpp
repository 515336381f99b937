#pragma once
// Every way an export can fail, as one value the caller shows to the user: a description and,
// for the engine's own cases, a recovery suggestion. Failures of FFmpeg that the engine does not
// recognise travel as `platform`, carrying FFmpeg's own text and AVERROR code unchanged.
//
// exportFailed, compositionFailed and exportSessionFailed may carry their cause: FFmpeg's text
// of what failed underneath. With a cause the description says what failed instead of blaming
// "an unknown error", and the advice follows the cause: disk space only for a disk failure, the
// missing encoder by name, "out of memory" when memory ran out. Without one they read as they
// always have.

#include "core/media/media_error.hpp"

#include <cstdint>
#include <optional>
#include <utility>
#include <string>

namespace kestro {

class ExportError {
public:
    enum class Kind {
        fileSystemError,
        cannotLoadAsset,
        exportFailed,
        invalidVideoTrack,
        invalidTrimRange,
        compositionFailed,
        exportSessionFailed,
        exportCancelled,
        platform,
        // The request breaks a rule of the chosen target (an App Store preview's length or
        // size); the message names the rule and what was measured. Found before anything is
        // written.
        targetRequirement,
    };

    // The messages the engine itself puts into a file system error.
    static constexpr const char* kFileExists = "File already exists at destination";
    static constexpr const char* kDiskFull = "Insufficient disk space";

    static ExportError fileSystem(std::string message);
    static ExportError cannotLoadAsset();
    static ExportError exportFailed();
    static ExportError exportFailed(const MediaError& cause);
    static ExportError invalidVideoTrack();
    // A file that holds a single picture (a PNG or JPEG whatever its name says), not a movie.
    static ExportError notAMovie(const std::string& fileName);
    // A canvas beyond what the encoders take, with the limit; found before anything is written.
    static ExportError canvasTooLarge(std::int64_t width, std::int64_t height, std::int64_t limit);
    static ExportError invalidTrimRange();
    static ExportError compositionFailed();
    static ExportError compositionFailed(const MediaError& cause);
    static ExportError exportSessionFailed();
    static ExportError exportSessionFailed(const MediaError& cause);
    static ExportError exportCancelled();
    static ExportError platform(const MediaError& error);
    static ExportError targetRequirement(std::string message);

    Kind kind() const { return kind_; }
    // The file system error's message, FFmpeg's text for a platform error or a cause, the broken
    // rule of a target requirement; empty otherwise.
    const std::string& message() const { return message_; }
    // FFmpeg's (negative) AVERROR code for a platform error or a cause; 0 otherwise.
    int averror() const { return averror_; }

    std::string errorDescription() const;
    // True when FFmpeg's cause travels with an engine case.
    bool hasCause() const {
        return kind_ != Kind::fileSystemError && kind_ != Kind::platform && averror_ != 0;
    }
    // Absent only for platform errors: FFmpeg has no advice to give.
    std::optional<std::string> recoverySuggestion() const;

    bool operator==(const ExportError&) const = default;

private:
    ExportError(Kind kind, std::string message = {}, int averror = 0)
        : kind_(kind), message_(std::move(message)), averror_(averror) {}

    Kind kind_;
    std::string message_;
    int averror_ = 0;
};

}  // namespace kestro
