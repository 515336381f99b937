#pragma once
// The export verb's camera options: `--zoom START-END@X,Y[xSCALE]` (seconds of the recording, the
// focus in fractions of the recording's width and height, the scale 1 to 4, 2 when left out) and
// `--auto-zoom`, segments made from the touch track.

#include "core/export/render_geometry.hpp"
#include "core/model/touch_track.hpp"
#include "core/model/zoom_segment.hpp"
#include "core/result.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro::cli {

// One segment with the default eases; the failure says what is wrong with the text, for a
// message that names the option.
Result<ZoomSegment, std::string> parseZoom(std::string_view text);

// The camera the options ask for: every `--zoom` in order, then, with `autoZoom`, the segments
// made from `touches` on a recording of `recordingSize`. The failure is the
// whole message for the user: it names the option and the value.
struct ZoomRequest {
    std::vector<std::string> zooms;
    bool autoZoom = false;
};
Result<CameraTrack, std::string> cameraFromOptions(const ZoomRequest& request,
                                                   const TouchTrack& touches,
                                                   const std::optional<VideoSize>& recordingSize);

}  // namespace kestro::cli
