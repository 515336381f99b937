#pragma once
// How the output's clock runs against the recording's: the trimmed range cut into pieces, each
// played at one speed (1 outside the speed segments). Output time 0 is the trim start; the
// output lasts the sum of every piece's length divided by its factor. Pure arithmetic, shared
// by the exporter (which picture and which sound each output moment takes), the store's length
// check and the editor's read-outs, so they always agree on the output's length.

#include "core/model/speed_segment.hpp"

#include <optional>
#include <string>
#include <vector>

namespace kestro {

struct TimePiece {
    double outputStart = 0;  // seconds of the output
    double outputEnd = 0;
    double sourceStart = 0;  // seconds of the recording
    double sourceEnd = 0;
    double factor = 1;  // source seconds per output second
};

// What is wrong with a track, in words for people ("2-4 s and 3-5 s overlap"); none when every
// segment has finite times from 0 on, ends after it starts, has a factor within
// kMinSpeedFactor..kMaxSpeedFactor and no two overlap (touching is fine). Order does not matter.
std::optional<std::string> speedTrackProblem(const SpeedTrack& track);

class TimeMap {
public:
    // Real time over [trimStart, trimEnd].
    TimeMap(double trimStart, double trimEnd);
    // The track's segments cut to the range; a track with a problem (see above) is read as far
    // as it makes sense (overlaps: the earlier segment wins; factors clamped), so callers check
    // speedTrackProblem() first where they can still refuse.
    TimeMap(double trimStart, double trimEnd, const SpeedTrack& track);

    double outputDuration() const { return pieces_.empty() ? 0 : pieces_.back().outputEnd; }
    double sourceStart() const { return start_; }
    double sourceEnd() const { return end_; }
    // True when every piece plays at 1x: the output is the trimmed recording.
    bool isRealTime() const;

    // The recording's time shown at `output` seconds of the output (clamped to the range).
    double sourceAt(double output) const;
    // The output's time at which the recording's `source` seconds plays (clamped likewise).
    double outputAt(double source) const;

    // In output order; together they cover the range without gaps. Empty for an empty range.
    const std::vector<TimePiece>& pieces() const { return pieces_; }

private:
    double start_ = 0;
    double end_ = 0;
    std::vector<TimePiece> pieces_;
};

}  // namespace kestro
