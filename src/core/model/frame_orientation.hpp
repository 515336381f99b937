#pragma once
// Which way round a device frame is shown. A frame image is drawn upright (portrait) or, for a
// user's own frame, either way; a landscape recording gets the frame turned on its side, so
// all of the recording shows instead of the middle of it. The turn to landscape is the one that
// puts the top of the device (where a phone's camera island sits) on the left.

#include "core/model/image.hpp"

#include <optional>
#include <string_view>

namespace kestro {

enum class FrameOrientation { automatic, portrait, landscape };

// "auto", "portrait", "landscape"; none for anything else.
std::optional<FrameOrientation> frameOrientationFromRaw(std::string_view text);
std::string_view rawValue(FrameOrientation orientation);

// `automatic` follows the recording's upright shape: landscape when it is wider than tall,
// portrait otherwise (also when its size is unknown, zero or negative).
FrameOrientation resolvedOrientation(FrameOrientation choice, double recordingWidth,
                                     double recordingHeight);

// A quarter turn of the whole image; counter-clockwise brings its top edge to the left.
Image turnedQuarter(const Image& image, bool counterClockwise);

// The frame image shown in `orientation` (automatic counts as portrait): a taller-than-wide
// image turned to landscape goes counter-clockwise, a wider-than-tall one turned to portrait
// clockwise (the way back); an image already in that orientation, or square, is unchanged.
Image orientedFrameImage(const Image& frame, FrameOrientation orientation);
// Whether orientedFrameImage() turns `frame` for `orientation`, rather than copy it unchanged.
bool turnsFrameImage(const Image& frame, FrameOrientation orientation);

}  // namespace kestro
