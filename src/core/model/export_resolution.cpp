#include "core/model/export_resolution.hpp"

#include "core/model/enum_table.hpp"

namespace kestro {

namespace {

struct ResolutionRow {
    ExportResolution value;
    std::string_view raw;
    std::string_view label;
    int width;
    int heightWithoutFrame;
};

constexpr std::array<ResolutionRow, 3> kResolutions{{
    {ExportResolution::hd720p, "720p", "HD 720p (1280\u00d7720)", 1280, 720},
    {ExportResolution::hd1080p, "1080p", "Full HD 1080p (1920\u00d71080)", 1920, 1080},
    {ExportResolution::qhd1440p, "1440p", "QHD 1440p (2560\u00d71440)", 2560, 1440},
}};
static_assert(enum_table::inDeclarationOrder(kResolutions));
constexpr auto kAllExportResolutions = enum_table::values(kResolutions);

}  // namespace

const std::array<ExportResolution, 3>& allExportResolutions() {
    return kAllExportResolutions;
}
std::string_view rawValue(ExportResolution resolution) {
    return enum_table::row(kResolutions, resolution).raw;
}
std::string_view label(ExportResolution resolution) {
    return enum_table::row(kResolutions, resolution).label;
}

std::optional<ExportResolution> exportResolutionFromRaw(std::string_view raw) {
    return enum_table::fromRaw(kResolutions, raw);
}

int canvasWidth(ExportResolution resolution) {
    return enum_table::row(kResolutions, resolution).width;
}

int heightWithoutFrame(ExportResolution resolution) {
    return enum_table::row(kResolutions, resolution).heightWithoutFrame;
}

}  // namespace kestro
