#pragma once
// The tracks and story text as JSON, the one shape the project file, the editor's recovery file
// and anything else that stores them share. Readers check every value (ranges, times, caption
// text) and fail with the pointer of the first field at fault, given `pointer` as the value's
// own place in its document.

#include "core/model/speed_segment.hpp"
#include "core/model/touch_track.hpp"
#include "core/model/zoom_segment.hpp"
#include "core/project/project_error.hpp"
#include "core/result.hpp"
#include "core/text/caption.hpp"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace kestro {

nlohmann::json cameraTrackToJson(const CameraTrack& track);
Result<CameraTrack, ProjectError> cameraTrackFromJson(const nlohmann::json& value,
                                                      const std::string& pointer);

// {"points": [{"t", "x", "y", "phase", "id"}...], "style": {"enabled", "size", "colour", "opacity"}}
nlohmann::json touchesToJson(const TouchTrack& track, const TapStyle& style);
Result<Done, ProjectError> touchesFromJson(const nlohmann::json& value, const std::string& pointer,
                                           TouchTrack& track, TapStyle& style);

nlohmann::json speedTrackToJson(const SpeedTrack& track);
Result<SpeedTrack, ProjectError> speedTrackFromJson(const nlohmann::json& value,
                                                    const std::string& pointer);

nlohmann::json captionsToJson(const std::vector<Caption>& captions);
Result<std::vector<Caption>, ProjectError> captionsFromJson(const nlohmann::json& value,
                                                            const std::string& pointer);

nlohmann::json titleCardToJson(const TitleCard& card);
Result<TitleCard, ProjectError> titleCardFromJson(const nlohmann::json& value,
                                                  const std::string& pointer);

// "#RRGGBBAA", and back from "#RRGGBB" or "#RRGGBBAA"; none for other text.
std::string colourToHex(const Rgba& colour);
std::optional<Rgba> colourFromHex(const std::string& text);

}  // namespace kestro
