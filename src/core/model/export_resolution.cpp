#include "core/model/export_resolution.hpp"

namespace kestro {

namespace {

int position(ExportResolution resolution) {
    switch (resolution) {
        case ExportResolution::hd720p:
            return 0;
        case ExportResolution::hd1080p:
            return 1;
        case ExportResolution::qhd1440p:
            return 2;
    }
    return 0;
}

}  // namespace

const std::array<ExportResolution, 3>& allExportResolutions() {
    static constexpr std::array<ExportResolution, 3> kAll{
        ExportResolution::hd720p, ExportResolution::hd1080p, ExportResolution::qhd1440p};
    return kAll;
}

std::string_view rawValue(ExportResolution resolution) {
    switch (resolution) {
        case ExportResolution::hd720p:
            return "720p";
        case ExportResolution::hd1080p:
            return "1080p";
        case ExportResolution::qhd1440p:
            return "1440p";
    }
    return "720p";
}

std::optional<ExportResolution> exportResolutionFromRaw(std::string_view raw) {
    for (ExportResolution resolution : allExportResolutions()) {
        if (rawValue(resolution) == raw) return resolution;
    }
    return std::nullopt;
}

std::string_view label(ExportResolution resolution) {
    switch (resolution) {
        case ExportResolution::hd720p:
            return "HD 720p (1280\u00d7720)";
        case ExportResolution::hd1080p:
            return "Full HD 1080p (1920\u00d71080)";
        case ExportResolution::qhd1440p:
            return "QHD 1440p (2560\u00d71440)";
    }
    return "HD 720p (1280\u00d7720)";
}

int canvasWidth(ExportResolution resolution) {
    return 1280 + 640 * position(resolution);
}

int heightWithoutFrame(ExportResolution resolution) {
    return 720 + 360 * position(resolution);
}

}  // namespace kestro
