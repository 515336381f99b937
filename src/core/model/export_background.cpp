#include "core/model/export_background.hpp"

#include "core/model/enum_table.hpp"

namespace kestro {

namespace {

struct BackgroundRow {
    ExportBackground value;
    std::string_view raw;
    std::string_view label;
};

constexpr std::array<BackgroundRow, 4> kBackgrounds{{
    {ExportBackground::transparent, "transparent", "Transparent"},
    {ExportBackground::white, "white", "White"},
    {ExportBackground::black, "black", "Black"},
    {ExportBackground::custom, "custom", "Custom\u2026"},
}};
static_assert(enum_table::inDeclarationOrder(kBackgrounds));
constexpr auto kAllExportBackgrounds = enum_table::values(kBackgrounds);

}  // namespace

const std::array<ExportBackground, 4>& allExportBackgrounds() {
    return kAllExportBackgrounds;
}
std::string_view rawValue(ExportBackground background) {
    return enum_table::row(kBackgrounds, background).raw;
}
std::string_view label(ExportBackground background) {
    return enum_table::row(kBackgrounds, background).label;
}

std::optional<ExportBackground> exportBackgroundFromRaw(std::string_view raw) {
    return enum_table::fromRaw(kBackgrounds, raw);
}

}  // namespace kestro
