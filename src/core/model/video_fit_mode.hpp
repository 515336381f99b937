#pragma once
// How the video is sized against the screen rectangle.

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <optional>
#include <string_view>

namespace kestro {

enum class VideoFitMode {
    fit,      // uniform scale, whole video inside the rectangle
    fill,     // uniform scale, rectangle fully covered
    stretch,  // width and height scaled independently
};

const std::array<VideoFitMode, 3>& allVideoFitModes();
std::string_view rawValue(VideoFitMode mode);
// Exact, case-sensitive match on the raw value; anything else is none.
std::optional<VideoFitMode> videoFitModeFromRaw(std::string_view raw);

// Encoded as its raw value string. Decoding a value that is no raw value throws
// nlohmann::json::type_error (nlohmann's contract); use videoFitModeFromJson to avoid exceptions.
void to_json(nlohmann::json& j, VideoFitMode mode);
void from_json(const nlohmann::json& j, VideoFitMode& mode);
std::optional<VideoFitMode> videoFitModeFromJson(const nlohmann::json& j);

}  // namespace kestro
