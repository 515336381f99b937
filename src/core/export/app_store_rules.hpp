#pragma once
// What the App Store accepts as an app preview: how it is encoded and how long and large it may
// be. The store rejects a preview on upload, long after the export, so the exporter checks the
// limits before it writes anything.

#include "core/export/export_error.hpp"

#include <cstdint>
#include <optional>

namespace kestro {

inline constexpr double kPreviewMinSeconds = 15;
inline constexpr double kPreviewMaxSeconds = 30;
inline constexpr std::int64_t kPreviewMaxBytes = 500'000'000;

// H.264 High at level 4.0, about 10 Mbit/s with the decoder's buffer never fed faster than
// 12 Mbit/s, at most 30 frames per second; stereo AAC at 256 kbit/s.
inline constexpr int kPreviewH264Level = 40;
inline constexpr std::int64_t kPreviewVideoBitRate = 10'000'000;
inline constexpr std::int64_t kPreviewVideoMaxRate = 12'000'000;
inline constexpr std::int64_t kPreviewAudioBitRate = 256'000;
inline constexpr int kPreviewMaxFrameRate = 30;

// The largest file a preview of this length can become: every second at the buffer's ceiling
// rate plus the sound, and a little for the container.
std::int64_t estimatedPreviewBytes(double seconds);

// The first rule a preview of `seconds` (the trimmed length) breaks, as the error the user sees
// (it names the rule and the measured value); none when it meets them all.
std::optional<ExportError> previewRuleBroken(double seconds);

}  // namespace kestro
