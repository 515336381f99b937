#pragma once
// The one place an export request is made from what the user chose. The editor and the command
// line both describe the choices in the user's own units (percent, seconds, a resolution name)
// and get back the engine's ExportConfig, so the canvas size, the screen opening and the unit
// conversions cannot drift apart between the two front ends.

#include "core/export/background_fill.hpp"
#include "core/export/canvas_layout.hpp"
#include "core/export/export_config.hpp"
#include "core/export/render_geometry.hpp"
#include "core/model/canvas_aspect.hpp"
#include "core/model/export_format.hpp"
#include "core/model/export_resolution.hpp"
#include "core/model/image.hpp"
#include "core/model/screen_rect.hpp"
#include "core/model/speed_segment.hpp"
#include "core/model/touch_track.hpp"
#include "core/model/video_fit_mode.hpp"
#include "core/model/zoom_segment.hpp"
#include "core/result.hpp"
#include "core/text/caption.hpp"

#include <limits>
#include <optional>
#include <string>

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
    bool constantRate = false;  // see ExportConfig::constantRate
    ExportQuality quality = ExportQuality::standard;
    // Replaces the resolution's width (GIF: 600 when none); the height still follows the canvas's
    // shape.
    std::optional<std::int64_t> width;
    // An App Store preview instead of a framed movie: the preset's size (landscape for a
    // landscape recording), no frame, the whole recording fitted, the rest background. Format,
    // resolution, width, screen, scale, offsets, fit mode and the canvas's shape do not apply.
    std::optional<AppStorePreset> appStore;
    // A Google Play listing's promo video or feature graphic: the listing's canvas (the promo
    // turns landscape for a landscape recording) with the device centred on it, framed as
    // usual; the padding defaults to a fixed canvas's. Format, resolution, width and the
    // canvas's shape do not apply; a see-through background becomes black.
    std::optional<GooglePlayPreset> googlePlay;
    // The canvas's shape, the room around the device (percent of the canvas's shorter side;
    // none: the aspect's default) and the device's shadow.
    CanvasAspect aspect = CanvasAspect::frame;
    std::optional<double> paddingPercent;
    bool shadow = false;
    // The recording's upright size: without a frame the device box holds the recording, so the
    // canvas takes its shape, and an App Store preview turns landscape for a landscape
    // recording. None (or empty): 16:9, and a portrait preview.
    std::optional<VideoSize> recordingSize;
    // Captions and title cards, times in seconds of the output.
    StoryText story;
    // The tracks over the recording's clock: the camera, the touches drawn, the speed changes.
    CameraTrack camera;
    TouchTrack touches;
    TapStyle taps;
    SpeedTrack speed;
    bool keepFastSound = false;  // see ExportConfig::keepFastSound
};

// GIFs are for READMEs and pull requests: small enough to embed, smooth enough to follow.
inline constexpr std::int64_t kDefaultGifWidth = 600;
inline constexpr double kDefaultGifFrameRate = 15;

// The canvas and device box for these choices, the frame image (if any) or else the recording
// filling the device box. Fails with a message for people when the padding leaves no room. For
// an App Store preview it is the store's canvas with the whole recording fitted in it, the
// frame, shape and padding left out: the box the export fills with the recording.
Result<CanvasLayout, std::string> canvasLayoutFor(const ExportChoices& choices, const Image* frame);

// `frame` is the trimmed frame image the export draws, or null for none. The canvas is the
// chosen width (the resolution's unless given), shaped by canvasLayoutFor(); the screen opening
// (percent of the frame image, or of the device box without a frame, where it defaults to the
// whole box) is turned into percent of the canvas. When the padding leaves no room the device
// box is empty, and the engine refuses the request with canvasLayoutFor()'s message.
ExportConfig buildExportConfig(const ExportChoices& choices, const Image* frame);

}  // namespace kestro
