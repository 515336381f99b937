#include "core/model/screen_rect.hpp"

#include <nlohmann/json.hpp>

namespace kestro {

void to_json(nlohmann::json& j, const ScreenRect& r) {
    j = nlohmann::json{{"x", r.x}, {"y", r.y}, {"w", r.w}, {"h", r.h}};
}

void from_json(const nlohmann::json& j, ScreenRect& r) {
    j.at("x").get_to(r.x);
    j.at("y").get_to(r.y);
    j.at("w").get_to(r.w);
    j.at("h").get_to(r.h);
}

}  // namespace kestro
