#include "core/model/canvas_aspect.hpp"

namespace kestro {

const std::array<CanvasAspect, 6>& allCanvasAspects() {
    static constexpr std::array<CanvasAspect, 6> kAll{
        CanvasAspect::frame,     CanvasAspect::wide16x9,    CanvasAspect::tall9x16,
        CanvasAspect::square1x1, CanvasAspect::portrait4x5, CanvasAspect::classic4x3};
    return kAll;
}

std::string_view rawValue(CanvasAspect aspect) {
    switch (aspect) {
        case CanvasAspect::frame:
            return "frame";
        case CanvasAspect::wide16x9:
            return "16:9";
        case CanvasAspect::tall9x16:
            return "9:16";
        case CanvasAspect::square1x1:
            return "1:1";
        case CanvasAspect::portrait4x5:
            return "4:5";
        case CanvasAspect::classic4x3:
            return "4:3";
    }
    return "frame";
}

std::optional<CanvasAspect> canvasAspectFromRaw(std::string_view raw) {
    for (CanvasAspect aspect : allCanvasAspects()) {
        if (rawValue(aspect) == raw) return aspect;
    }
    return std::nullopt;
}

std::optional<double> fixedRatio(CanvasAspect aspect) {
    switch (aspect) {
        case CanvasAspect::frame:
            return std::nullopt;
        case CanvasAspect::wide16x9:
            return 16.0 / 9.0;
        case CanvasAspect::tall9x16:
            return 9.0 / 16.0;
        case CanvasAspect::square1x1:
            return 1.0;
        case CanvasAspect::portrait4x5:
            return 4.0 / 5.0;
        case CanvasAspect::classic4x3:
            return 4.0 / 3.0;
    }
    return std::nullopt;
}

}  // namespace kestro
