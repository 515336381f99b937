#pragma once
// How long a movie's video says it is, to tell a file cut off part way (an interrupted copy or
// download, a recorder that crashed) from one that is whole: such a file keeps the header it was
// written with, so its pictures stop well before the length the header states. The reader
// refuses to export such a movie and the check reports it undecodable; both go by this rule.

#include "core/media/av_ptr.hpp"

#include <filesystem>
#include <optional>

namespace kestro {

// Pictures that stop more than this before the stated length mean the file was cut off; less is
// the rounding of a header or a last picture's duration left unstated.
inline constexpr double kCutOffSeconds = 0.5;

// The length the video stream of `format` (opened from `path`) states, in seconds from its first
// picture: the stream's duration; else, in Matroska, the "DURATION" tag its muxer writes for
// each track, but only when the file is shorter than its segment says. That tag runs to where
// the muxer was told the last picture ends, which the file's blocks do not record, so a whole
// file whose last picture is held for seconds states more than its blocks show. None when the
// video states nothing to go by.
std::optional<double> statedVideoLength(const AVFormatContext& format, int videoStream,
                                        const std::filesystem::path& path);

}  // namespace kestro
