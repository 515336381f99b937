#include "core/model/export_background.hpp"

namespace kestro {

const std::array<ExportBackground, 4>& allExportBackgrounds() {
    static constexpr std::array<ExportBackground, 4> kAll{
        ExportBackground::transparent, ExportBackground::white, ExportBackground::black,
        ExportBackground::custom};
    return kAll;
}

std::string_view rawValue(ExportBackground background) {
    switch (background) {
        case ExportBackground::transparent:
            return "transparent";
        case ExportBackground::white:
            return "white";
        case ExportBackground::black:
            return "black";
        case ExportBackground::custom:
            return "custom";
    }
    return "transparent";
}

std::optional<ExportBackground> exportBackgroundFromRaw(std::string_view raw) {
    for (ExportBackground background : allExportBackgrounds()) {
        if (rawValue(background) == raw) return background;
    }
    return std::nullopt;
}

std::string_view label(ExportBackground background) {
    switch (background) {
        case ExportBackground::transparent:
            return "Transparent";
        case ExportBackground::white:
            return "White";
        case ExportBackground::black:
            return "Black";
        case ExportBackground::custom:
            return "Custom\u2026";
    }
    return "Transparent";
}

}  // namespace kestro
