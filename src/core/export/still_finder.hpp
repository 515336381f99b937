#pragma once
// Finding the waits in a recording file (still_stretches.hpp says what a wait is). A
// variable-rate recording is read from its container alone: its phone wrote a picture only when
// the screen changed, so long gaps between packet times are the waits, and nothing is decoded.
// A constant-rate one repeats the still picture, so its pictures are decoded and compared on
// small grey copies. Runs on the caller's thread; takes about as long as decoding the range.

#include "core/media/media_error.hpp"
#include "core/model/still_stretches.hpp"
#include "core/result.hpp"

#include <filesystem>
#include <vector>

namespace kestro {

// The still stretches of [start, end] (seconds of the recording; end past the recording: up to
// its end), in time order.
Result<std::vector<StillStretch>, MediaError> findStillStretches(const std::filesystem::path& path,
                                                                 double start, double end,
                                                                 const StillSearch& search = {});

// The decoded way, whatever the recording's rate: each picture of [start, end] with its
// difference from the one before.
Result<std::vector<PictureChange>, MediaError> measurePictureChanges(
    const std::filesystem::path& path, double start, double end);

}  // namespace kestro
