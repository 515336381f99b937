#include "core/model/export_quality.hpp"

namespace kestro {

const std::array<ExportQuality, 3>& allExportQualities() {
    static constexpr std::array<ExportQuality, 3> kAll{
        ExportQuality::draft, ExportQuality::standard, ExportQuality::best};
    return kAll;
}

std::string_view rawValue(ExportQuality quality) {
    switch (quality) {
        case ExportQuality::draft:
            return "draft";
        case ExportQuality::standard:
            return "standard";
        case ExportQuality::best:
            return "best";
    }
    return "standard";
}

std::optional<ExportQuality> exportQualityFromRaw(std::string_view raw) {
    for (ExportQuality quality : allExportQualities()) {
        if (rawValue(quality) == raw) return quality;
    }
    return std::nullopt;
}

std::string_view label(ExportQuality quality) {
    switch (quality) {
        case ExportQuality::draft:
            return "Draft";
        case ExportQuality::standard:
            return "Standard";
        case ExportQuality::best:
            return "Best";
    }
    return "Standard";
}

}  // namespace kestro
