#pragma once
// When two movies of one recording show the same timeline: the same trimmed range played at the
// same speeds, so every picture either shows is one the other could show too. Such movies can
// be made from one decoding of the recording (AVFExporter::exportVideos), whatever their size,
// format, frame rate, frame, canvas and the tracks drawn over the picture.

#include "core/export/export_config.hpp"

namespace kestro {

bool sharesTimeline(const ExportConfig& a, const ExportConfig& b);

}  // namespace kestro
