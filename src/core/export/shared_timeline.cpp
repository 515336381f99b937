#include "core/export/shared_timeline.hpp"

namespace kestro {

bool sharesTimeline(const ExportConfig& a, const ExportConfig& b) {
    // The sound follows the same clock, but a sound sped past twice its speed kept or dropped is
    // the encode stage's choice, which each output makes for itself.
    return a.trimStart == b.trimStart && a.trimEnd == b.trimEnd && a.speed == b.speed;
}

}  // namespace kestro
