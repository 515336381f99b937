#include "core/model/output_target.hpp"

#include "core/model/enum_table.hpp"

namespace kestro {

namespace {

struct TargetRow {
    OutputTarget value;
    std::string_view raw;
    std::string_view extension;
    bool still;
};

constexpr std::array<TargetRow, 10> kTargets{{
    {OutputTarget::mp4, "mp4", "mp4", false},
    {OutputTarget::mov, "mov", "mov", false},
    {OutputTarget::gif, "gif", "gif", false},
    {OutputTarget::webm, "webm", "webm", false},
    {OutputTarget::png, "png", "png", true},
    {OutputTarget::appStoreIphone, "app-store-iphone", "mp4", false},
    {OutputTarget::appStoreIphone55, "app-store-iphone-5.5", "mp4", false},
    {OutputTarget::appStoreIpad, "app-store-ipad", "mp4", false},
    {OutputTarget::playPromo, "play-promo", "mp4", false},
    {OutputTarget::playFeatureGraphic, "play-feature-graphic", "png", true},
}};
static_assert(enum_table::inDeclarationOrder(kTargets));
constexpr auto kAllOutputTargets = enum_table::values(kTargets);

}  // namespace

const std::array<OutputTarget, 10>& allOutputTargets() {
    return kAllOutputTargets;
}
std::string_view rawValue(OutputTarget target) {
    return enum_table::row(kTargets, target).raw;
}
std::optional<OutputTarget> outputTargetFromRaw(std::string_view raw) {
    return enum_table::fromRaw(kTargets, raw);
}
std::string_view fileExtension(OutputTarget target) {
    return enum_table::row(kTargets, target).extension;
}
bool isStill(OutputTarget target) {
    return enum_table::row(kTargets, target).still;
}

}  // namespace kestro
