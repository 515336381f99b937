#pragma once
// What the user reads when a movie cannot be loaded, from the media layer's error.

#include "core/media/media_error.hpp"

#include <QString>

namespace kestro {

// File missing, no permission, corrupt data each get their own sentence; any other failure of
// the demuxer or decoder gets the format advice; a failure without an FFmpeg code is shown as
// "Error: " and its description.
QString playbackErrorMessage(const MediaError& error);

}  // namespace kestro
