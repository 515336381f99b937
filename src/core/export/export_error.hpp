#pragma once
// Every way an export can fail, as one value the caller shows to the user: a description and,
// for the engine's own cases, a recovery suggestion. Failures of FFmpeg that the engine does not
// recognise travel as `platform`, carrying FFmpeg's own text and AVERROR code unchanged.

#include "core/media/media_error.hpp"

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
    static ExportError invalidVideoTrack();
    static ExportError invalidTrimRange();
    static ExportError compositionFailed();
    static ExportError exportSessionFailed();
    static ExportError exportCancelled();
    static ExportError platform(const MediaError& error);
    static ExportError targetRequirement(std::string message);

    Kind kind() const { return kind_; }
    // The file system error's message, FFmpeg's text for a platform error, the broken rule of a
    // target requirement; empty otherwise.
    const std::string& message() const { return message_; }
    // FFmpeg's (negative) AVERROR code for a platform error; 0 otherwise.
    int averror() const { return averror_; }

    std::string errorDescription() const;
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
