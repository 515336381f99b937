#pragma once
// The export request: everything the engine needs besides the source, the frame image and the
// destination. Passed by value; the engine keeps no reference to it after the call. Front ends
// make it with buildExportConfig (export_request.hpp) from the user's choices.

#include "core/export/background_fill.hpp"
#include "core/model/app_store_preset.hpp"
#include "core/model/export_format.hpp"
#include "core/model/export_quality.hpp"
#include "core/model/google_play_preset.hpp"
#include "core/model/screen_rect.hpp"
#include "core/model/speed_segment.hpp"
#include "core/model/touch_track.hpp"
#include "core/model/video_fit_mode.hpp"
#include "core/model/zoom_segment.hpp"
#include "core/text/caption.hpp"

#include <cstdint>
#include <optional>

namespace kestro {

struct ExportConfig {
    // Only the format picks the output path: a MOV always keeps alpha, whatever the background.
    ExportFormat format = ExportFormat::mp4;
    std::int64_t width = 1280;  // canvas size in pixels
    std::int64_t height = 720;
    double trimStart = 0;  // seconds in the source; clamped by the engine
    double trimEnd = 0;
    ScreenRect screen;     // percent of the canvas, y from the bottom edge
    // The frame's own rounding of its opening, as a fraction of the opening's shorter side;
    // none: the standard rounding (screenCornerRadius).
    std::optional<double> screenCornerFraction;
    // The device box the frame image is drawn into, likewise in percent of the canvas; the
    // whole canvas unless the canvas has its own shape or padding. An empty box is a request
    // whose padding left no room, which the engine refuses.
    ScreenRect device{0, 0, 100, 100};
    bool shadow = false;   // the device's soft drop shadow on the background
    double scale = 1;      // 1 = the size at which fitMode sizes the video; floored at 0.1
    double offsetX = 0;    // 1 = half the screen rectangle's width, to the right
    double offsetY = 0;    // 1 = half the screen rectangle's height, upward
    VideoFitMode fitMode = VideoFitMode::fill;
    BackgroundFill background;
    // Frames per second of the output (1 to 240, fractions allowed); none lets the engine take
    // the source's capture rate.
    std::optional<double> fps;
    // Every tick written even where the picture repeats. Otherwise an MP4 or WebM of a
    // variable-rate recording keeps the source's variable timing: a held picture is written
    // once and shown until the next, which spares composing and encoding it again. App Store
    // previews are always constant-rate.
    bool constantRate = false;
    ExportQuality quality = ExportQuality::standard;  // the encoder's speed against fidelity
    // An App Store preview: written as H.264 + AAC by the store's encoding rules, without the
    // frame image and without rounded screen corners, and refused before anything is written
    // when the trimmed range breaks the store's limits (app_store_rules.hpp).
    std::optional<AppStorePreset> appStore;
    // A Google Play promo video: an MP4 at the listing's size that always carries a sound track
    // (silent for a silent recording), the device framed as usual. The feature graphic is a
    // still of the same canvas and never reaches the movie engine.
    std::optional<GooglePlayPreset> googlePlay;
    // Captions and title cards drawn over the output (times in seconds of the output).
    StoryText story;
    // The camera's zoom segments (seconds of the recording); empty: the camera stays at 1x.
    CameraTrack camera;
    // Touches to draw over the recording, and how; nothing is drawn without touches or when
    // the style is off.
    TouchTrack touches;
    TapStyle taps;
    // Speed changes (seconds of the recording); empty: real time.
    SpeedTrack speed;
    // Sound faster than twice its speed plays sped up too (pitch kept) instead of silent.
    bool keepFastSound = false;
};

}  // namespace kestro
