#include "core/model/export_quality.hpp"

#include "core/model/enum_table.hpp"

namespace kestro {

namespace {

struct QualityRow {
    ExportQuality value;
    std::string_view raw;
    std::string_view label;
};

constexpr std::array<QualityRow, 3> kQualities{{
    {ExportQuality::draft, "draft", "Draft"},
    {ExportQuality::standard, "standard", "Standard"},
    {ExportQuality::best, "best", "Best"},
}};
static_assert(enum_table::inDeclarationOrder(kQualities));
constexpr auto kAllExportQualitys = enum_table::values(kQualities);

}  // namespace

const std::array<ExportQuality, 3>& allExportQualities() {
    return kAllExportQualitys;
}
std::string_view rawValue(ExportQuality quality) {
    return enum_table::row(kQualities, quality).raw;
}
std::string_view label(ExportQuality quality) {
    return enum_table::row(kQualities, quality).label;
}

std::optional<ExportQuality> exportQualityFromRaw(std::string_view raw) {
    return enum_table::fromRaw(kQualities, raw);
}

}  // namespace kestro
