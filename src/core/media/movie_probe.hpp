#pragma once
// What a file holds, asked before committing to it: the import checks a movie with this before it
// replaces the one being edited. Reads only the container (no decoder is opened), so it is quick
// and has no side effects.

#include "core/media/media_error.hpp"
#include "core/media/video_reader.hpp"  // MovieInfo
#include "core/result.hpp"

#include <filesystem>

namespace kestro {

// Fills MovieInfo's hasVideo, hasAudio, duration and video (whose upright size and frame rate
// are what an importer usually wants).
// An audio-only file is a success with hasVideo false; a duration of 0 means the container does
// not know it. Errors carry FFmpeg's code so callers can tell the cases apart:
// AVERROR(ENOENT) missing, AVERROR(EACCES) unreadable, AVERROR(EISDIR) a folder,
// AVERROR_INVALIDDATA not a movie (or a picture size no real movie has),
// AVERROR_DECODER_NOT_FOUND video in a codec we cannot decode.
Result<MovieInfo, MediaError> probeMovie(const std::filesystem::path& path);

}  // namespace kestro
