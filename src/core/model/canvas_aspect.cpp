#include "core/model/canvas_aspect.hpp"

#include "core/model/enum_table.hpp"

namespace kestro {

namespace {

struct AspectRow {
    CanvasAspect value;
    std::string_view raw;
    double ratio;  // width over height; 0 for the device's own shape
};

constexpr std::array<AspectRow, 6> kAspects{{
    {CanvasAspect::frame, "frame", 0},
    {CanvasAspect::wide16x9, "16:9", 16.0 / 9.0},
    {CanvasAspect::tall9x16, "9:16", 9.0 / 16.0},
    {CanvasAspect::square1x1, "1:1", 1.0},
    {CanvasAspect::portrait4x5, "4:5", 4.0 / 5.0},
    {CanvasAspect::classic4x3, "4:3", 4.0 / 3.0},
}};
static_assert(enum_table::inDeclarationOrder(kAspects));
constexpr auto kAllCanvasAspects = enum_table::values(kAspects);

}  // namespace

const std::array<CanvasAspect, 6>& allCanvasAspects() {
    return kAllCanvasAspects;
}
std::string_view rawValue(CanvasAspect aspect) {
    return enum_table::row(kAspects, aspect).raw;
}

std::optional<CanvasAspect> canvasAspectFromRaw(std::string_view raw) {
    return enum_table::fromRaw(kAspects, raw);
}

std::optional<double> fixedRatio(CanvasAspect aspect) {
    const double ratio = enum_table::row(kAspects, aspect).ratio;
    if (ratio > 0) return ratio;
    return std::nullopt;
}

}  // namespace kestro
