#include "core/model/export_format.hpp"

namespace kestro {

const std::array<ExportFormat, 4>& allExportFormats() {
    static constexpr std::array<ExportFormat, 4> kAll{ExportFormat::mp4, ExportFormat::mov,
                                                      ExportFormat::gif, ExportFormat::webm};
    return kAll;
}

std::string_view rawValue(ExportFormat format) {
    switch (format) {
        case ExportFormat::mp4:
            return "mp4";
        case ExportFormat::mov:
            return "mov";
        case ExportFormat::gif:
            return "gif";
        case ExportFormat::webm:
            return "webm";
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
        case ExportFormat::gif:
            return "GIF";
        case ExportFormat::webm:
            return "WebM";
    }
    return "MP4";
}

}  // namespace kestro
