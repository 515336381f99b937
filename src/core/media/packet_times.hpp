#pragma once
// When the pictures of a stretch of a movie were taken, read from the container alone: the
// presentation times of its video packets, without decoding any of them. Cheap enough to run
// before an export (it reads the bytes of the stretch once, as the export itself will).

#include "core/media/media_error.hpp"
#include "core/result.hpp"

#include <filesystem>
#include <vector>

namespace kestro {

// Times (seconds from the first video frame, as VideoReader counts them) of the video packets
// in [start, end], sorted. Packets without a time are left out.
Result<std::vector<double>, MediaError> readPacketTimes(const std::filesystem::path& path,
                                                        double start, double end);

}  // namespace kestro
