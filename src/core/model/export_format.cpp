#include "core/model/export_format.hpp"

#include "core/model/enum_table.hpp"

namespace kestro {

namespace {

struct FormatRow {
    ExportFormat value;
    std::string_view raw;
    std::string_view label;
};

constexpr std::array<FormatRow, 4> kFormats{{
    {ExportFormat::mp4, "mp4", "MP4"},
    {ExportFormat::mov, "mov", "MOV"},
    {ExportFormat::gif, "gif", "GIF"},
    {ExportFormat::webm, "webm", "WebM"},
}};
static_assert(enum_table::inDeclarationOrder(kFormats));
constexpr auto kAllExportFormats = enum_table::values(kFormats);

}  // namespace

const std::array<ExportFormat, 4>& allExportFormats() {
    return kAllExportFormats;
}
std::string_view rawValue(ExportFormat format) {
    return enum_table::row(kFormats, format).raw;
}
std::string_view label(ExportFormat format) {
    return enum_table::row(kFormats, format).label;
}

std::optional<ExportFormat> exportFormatFromRaw(std::string_view raw) {
    return enum_table::fromRaw(kFormats, raw);
}

}  // namespace kestro
