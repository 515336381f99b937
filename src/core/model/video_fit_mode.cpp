#include "core/model/video_fit_mode.hpp"

#include <nlohmann/json.hpp>

#include <string>

namespace kestro {

const std::array<VideoFitMode, 3>& allVideoFitModes() {
    static constexpr std::array<VideoFitMode, 3> kAll{VideoFitMode::fit, VideoFitMode::fill,
                                                      VideoFitMode::stretch};
    return kAll;
}

std::string_view rawValue(VideoFitMode mode) {
    switch (mode) {
        case VideoFitMode::fit:
            return "fit";
        case VideoFitMode::fill:
            return "fill";
        case VideoFitMode::stretch:
            return "stretch";
    }
    return "fit";
}

std::optional<VideoFitMode> videoFitModeFromRaw(std::string_view raw) {
    for (VideoFitMode mode : allVideoFitModes()) {
        if (rawValue(mode) == raw) return mode;
    }
    return std::nullopt;
}

void to_json(nlohmann::json& j, VideoFitMode mode) {
    j = std::string(rawValue(mode));
}

void from_json(const nlohmann::json& j, VideoFitMode& mode) {
    const auto decoded = videoFitModeFromJson(j);
    if (!decoded) {
        throw nlohmann::json::type_error::create(302, "not a video fit mode: " + j.dump(), &j);
    }
    mode = *decoded;
}

std::optional<VideoFitMode> videoFitModeFromJson(const nlohmann::json& j) {
    if (!j.is_string()) return std::nullopt;
    return videoFitModeFromRaw(j.get_ref<const std::string&>());
}

}  // namespace kestro
