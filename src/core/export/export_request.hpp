#pragma once
// The one place an export request is made from what the user chose. The editor and the command
// line both describe the choices in the user's own units (percent, seconds, a resolution name)
// and get back the engine's ExportConfig, so the canvas size, the screen opening and the unit
// conversions cannot drift apart between the two front ends.

#include "core/export/background_fill.hpp"
#include "core/export/export_config.hpp"
#include "core/export/render_geometry.hpp"
#include "core/model/export_format.hpp"
#include "core/model/export_resolution.hpp"
#include "core/model/image.hpp"
#include "core/model/screen_rect.hpp"
#include "core/model/video_fit_mode.hpp"

#include <limits>
#include <optional>

namespace kestro {

struct ExportChoices {
    ExportFormat format = ExportFormat::mp4;
    ExportResolution resolution = ExportResolution::hd720p;
    // The screen opening in percent of the frame image (y from the bottom edge). None: the
    // opening detected in the frame image, else the default opening.
    std::optional<ScreenRect> screen;
    double trimStart = 0;  // seconds in the recording
    double trimEnd = std::numeric_limits<double>::infinity();  // +inf: the recording's end
    double scalePercent = 100;
    double offsetXPercent = 0;  // percent of half the screen's width, to the right
    double offsetYPercent = 0;  // percent of half the screen's height, upward
    VideoFitMode fitMode = VideoFitMode::fill;
    BackgroundFill background = BackgroundFill::black();
    std::optional<double> fps;  // none: the recording's own rate (GIF: 15)
    ExportQuality quality = ExportQuality::standard;
    // Replaces the resolution's width (GIF: 600 when none); the height still follows the frame.
    std::optional<std::int64_t> width;
    // An App Store preview instead of a framed movie: the preset's size (landscape for a
    // landscape recording), no frame, the whole recording fitted, the rest background. Format,
    // resolution, width, screen, scale, offsets and fit mode do not apply.
    std::optional<AppStorePreset> appStore;
};

// GIFs are for READMEs and pull requests: small enough to embed, smooth enough to follow.
inline constexpr std::int64_t kDefaultGifWidth = 600;
inline constexpr double kDefaultGifFrameRate = 15;

// `frame` is the trimmed frame image the export draws, or null for none; the canvas takes its
// aspect at the resolution's width (16:9 without one). `recording` is the recording's upright
// size, which only an App Store preview needs (to choose portrait or landscape; portrait when
// unknown).
ExportConfig buildExportConfig(const ExportChoices& choices, const Image* frame,
                               std::optional<VideoSize> recording = std::nullopt);

}  // namespace kestro
