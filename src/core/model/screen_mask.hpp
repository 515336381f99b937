#pragma once
// The mask that lets a video show only through a frame's see-through parts.

#include "core/model/image.hpp"

#include <optional>

namespace kestro {

// Same size as the trimmed frame; every pixel keeps the frame's straight colour and gets alpha
// 255 - the frame's alpha, so the mask is solid exactly where the frame is transparent and
// anti-aliased opening edges fade instead of stepping. None for an empty or malformed image.
std::optional<Image> screenOpeningMask(const Image& trimmedFrame);

}  // namespace kestro
