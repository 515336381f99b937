#include "core/export/export_error.hpp"

extern "C" {
#include <libavutil/error.h>
}

#include <cerrno>
#include <string>

namespace kestro {

namespace {

constexpr const char* kPickAnotherFile =
    "Try selecting a different video file or check if the file is not corrupted.";
constexpr const char* kCheckDiskSpace =
    "Ensure you have sufficient disk space and try again. If the problem persists, try a "
    "different output location.";

bool isDiskError(int averror) {
    return averror == AVERROR(ENOSPC) || averror == AVERROR(EDQUOT) || averror == AVERROR(EIO) ||
           averror == AVERROR(EFBIG);
}

// The engine's own words for a case, followed by what FFmpeg said failed.
std::string withCause(const char* what, const std::string& cause, int averror) {
    if (averror == AVERROR(ENOMEM)) return std::string(what) + ": out of memory.";
    if (cause.empty()) return std::string(what) + ": media error " + std::to_string(averror) + ".";
    return std::string(what) + ": " + cause + ".";
}

}  // namespace

ExportError ExportError::fileSystem(std::string message) {
    return {Kind::fileSystemError, std::move(message)};
}
ExportError ExportError::cannotLoadAsset() { return {Kind::cannotLoadAsset}; }
ExportError ExportError::exportFailed() { return {Kind::exportFailed}; }
ExportError ExportError::exportFailed(const MediaError& cause) {
    return {Kind::exportFailed, cause.message, cause.averror};
}
ExportError ExportError::compositionFailed(const MediaError& cause) {
    return {Kind::compositionFailed, cause.message, cause.averror};
}
ExportError ExportError::exportSessionFailed(const MediaError& cause) {
    return {Kind::exportSessionFailed, cause.message, cause.averror};
}
ExportError ExportError::invalidVideoTrack() { return {Kind::invalidVideoTrack}; }
ExportError ExportError::notAMovie(const std::string& fileName) {
    return {Kind::invalidVideoTrack, "\"" + fileName + "\" is a picture, not a movie."};
}
ExportError ExportError::canvasTooLarge(std::int64_t width, std::int64_t height,
                                        std::int64_t limit) {
    return {Kind::targetRequirement,
            "The canvas of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels is too large: each side may be at most " + std::to_string(limit) +
                " pixels."};
}
ExportError ExportError::invalidTrimRange() { return {Kind::invalidTrimRange}; }
ExportError ExportError::compositionFailed() { return {Kind::compositionFailed}; }
ExportError ExportError::exportSessionFailed() { return {Kind::exportSessionFailed}; }
ExportError ExportError::exportCancelled() { return {Kind::exportCancelled}; }

ExportError ExportError::platform(const MediaError& error) {
    return {Kind::platform, error.message, error.averror};
}

ExportError ExportError::targetRequirement(std::string message) {
    return {Kind::targetRequirement, std::move(message)};
}

std::string ExportError::errorDescription() const {
    if (hasCause()) {
        switch (kind_) {
            case Kind::compositionFailed:
                return withCause("Failed to create video composition", message_, averror_);
            case Kind::exportSessionFailed:
                return withCause("Failed to initialize export session", message_, averror_);
            default:
                return withCause("Export failed", message_, averror_);
        }
    }
    switch (kind_) {
        case Kind::fileSystemError:
            return "File system error: " + message_;
        case Kind::cannotLoadAsset:
            return "Unable to load the video file. The file may be corrupted or in an "
                   "unsupported format.";
        case Kind::exportFailed:
            return "Export failed due to an unknown error. Please try again.";
        case Kind::invalidVideoTrack:
            if (!message_.empty()) return message_;
            return "No video track found in the selected file. Please choose a valid video "
                   "file.";
        case Kind::invalidTrimRange:
            return "Invalid trim range selected. The end time must be after the start time.";
        case Kind::compositionFailed:
            return "Failed to create video composition. The video may be corrupted.";
        case Kind::exportSessionFailed:
            return "Failed to initialize export session. Please check available disk space.";
        case Kind::exportCancelled:
            return "Export was cancelled by the user.";
        case Kind::platform:
            // A media error without text still has to tell the user something.
            if (!message_.empty()) return message_;
            return "Media error " + std::to_string(averror_) + ".";
        case Kind::targetRequirement:
            return message_;
    }
    return {};
}

std::optional<std::string> ExportError::recoverySuggestion() const {
    if (hasCause()) {
        if (isDiskError(averror_)) return kCheckDiskSpace;
        if (averror_ == AVERROR(ENOMEM)) {
            return "Close other applications, or export at a lower resolution or zoom, and try "
                   "again.";
        }
        if (averror_ == AVERROR_ENCODER_NOT_FOUND) {
            return "Install an FFmpeg that includes this encoder, then try again.";
        }
        return "Try again. If the problem persists, try a different recording or a lower "
               "resolution.";
    }
    switch (kind_) {
        case Kind::fileSystemError:
            return "Check file permissions and available disk space.";
        case Kind::cannotLoadAsset:
        case Kind::invalidVideoTrack:
            return kPickAnotherFile;
        case Kind::exportFailed:
        case Kind::compositionFailed:
        case Kind::exportSessionFailed:
            return kCheckDiskSpace;
        case Kind::invalidTrimRange:
            return "Adjust the trim start and end times so that the end time is after the start "
                   "time.";
        case Kind::exportCancelled:
            return "You can start a new export at any time.";
        case Kind::platform:
            return std::nullopt;
        case Kind::targetRequirement:
            return "Adjust the trim range or the export settings, then export again.";
    }
    return std::nullopt;
}

}  // namespace kestro
