#include "core/model/export_format.hpp"

namespace kestro {

const std::array<ExportFormat, 2>& allExportFormats() {
    static constexpr std::array<ExportFormat, 2> kAll{ExportFormat::mp4, ExportFormat::mov};
    return kAll;
}

std::string_view rawValue(ExportFormat format) {
    switch (format) {
        case ExportFormat::mp4:
            return "mp4";
        case ExportFormat::mov:
            return "mov";
    }
    return "mp4";
}

std::optional<ExportFormat> exportFormatFromRaw(std::string_view raw) {
    for (ExportFormat format : allExportFormats()) {
        if (rawValue(format) == raw) return format;
    }
    return std::nullopt;
}

std::string_view label(ExportFormat format) {
    switch (format) {
        case ExportFormat::mp4:
            return "MP4";
        case ExportFormat::mov:
            return "MOV";
    }
    return "MP4";
}

}  // namespace kestro
