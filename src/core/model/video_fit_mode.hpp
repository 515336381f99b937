#pragma once

namespace kestro {

enum class VideoFitMode { fit, fill, stretch };

}  // namespace kestro
