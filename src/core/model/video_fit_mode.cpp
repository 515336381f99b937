#include "core/model/video_fit_mode.hpp"

#include "core/model/enum_table.hpp"

#include <nlohmann/json.hpp>

#include <string>

namespace kestro {

namespace {

struct FitModeRow {
    VideoFitMode value;
    std::string_view raw;
};

constexpr std::array<FitModeRow, 3> kModes{{
    {VideoFitMode::fit, "fit"},
    {VideoFitMode::fill, "fill"},
    {VideoFitMode::stretch, "stretch"},
}};
static_assert(enum_table::inDeclarationOrder(kModes));
constexpr auto kAllVideoFitModes = enum_table::values(kModes);

}  // namespace

const std::array<VideoFitMode, 3>& allVideoFitModes() {
    return kAllVideoFitModes;
}
std::string_view rawValue(VideoFitMode mode) {
    return enum_table::row(kModes, mode).raw;
}

std::optional<VideoFitMode> videoFitModeFromRaw(std::string_view raw) {
    return enum_table::fromRaw(kModes, raw);
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
