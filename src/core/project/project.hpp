#pragma once
// A project: one recording, how it is framed, trimmed and told, and the outputs made from it.
// It is what a `.kestro` file holds (project_file.hpp reads and writes it). Paths in memory are
// absolute; the file stores them relative to its own folder.

#include "core/export/background_fill.hpp"
#include "core/model/canvas_aspect.hpp"
#include "core/model/export_quality.hpp"
#include "core/model/export_resolution.hpp"
#include "core/model/frame_orientation.hpp"
#include "core/model/output_target.hpp"
#include "core/model/screen_rect.hpp"
#include "core/model/speed_segment.hpp"
#include "core/model/touch_track.hpp"
#include "core/model/video_fit_mode.hpp"
#include "core/model/zoom_segment.hpp"
#include "core/text/caption.hpp"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kestro {

// The file format's version. A file of a higher version is refused rather than half-read.
inline constexpr int kProjectVersion = 1;
inline constexpr const char* kProjectExtension = ".kestro";

// Everything about the picture around the recording: what ExportChoices calls the canvas, the
// background and the placement of the recording in the screen opening.
struct ProjectCanvas {
    CanvasAspect aspect = CanvasAspect::frame;
    std::optional<double> paddingPercent;  // none: the aspect's default
    bool shadow = false;
    BackgroundFill background = BackgroundFill::black();  // a picture's path is absolute
    std::optional<ScreenRect> screen;                     // none: detected in the frame image
    double scalePercent = 100;
    double offsetXPercent = 0;
    double offsetYPercent = 0;
    VideoFitMode fitMode = VideoFitMode::fill;

    bool operator==(const ProjectCanvas&) const = default;
};

// One file (or one per locale) the project makes.
struct ProjectOutput {
    std::string name;  // unique in the project; `render --only` picks outputs by it
    OutputTarget target = OutputTarget::mp4;
    // The file's name, relative to the output folder; {name}, {target} and {locale} are
    // replaced. Empty: "{name}.EXT", or "{name}-{locale}.EXT" for captions in several locales.
    std::string file;
    // Format options; none takes the engine's default for the target.
    std::optional<ExportResolution> resolution;
    std::optional<std::int64_t> width;
    std::optional<double> fps;
    bool constantRate = false;
    ExportQuality quality = ExportQuality::standard;
    std::optional<double> at;  // a still's time in seconds of the recording; none: the trim's start

    bool operator==(const ProjectOutput&) const = default;
};

struct Project {
    std::filesystem::path recording;
    double trimStart = 0;
    double trimEnd = std::numeric_limits<double>::infinity();  // +inf: the recording's end

    // The frame: a catalogue key, or a PNG of the user's (absolute), or neither for none.
    std::string frameKey;
    std::filesystem::path frameImage;
    FrameOrientation orientation = FrameOrientation::automatic;

    ProjectCanvas canvas;

    CameraTrack zoom;
    TouchTrack touches;
    TapStyle taps;
    SpeedTrack speed;
    // Captions by locale. One entry under the empty locale is a project without locales; named
    // locales make each output render once per locale.
    std::map<std::string, std::vector<Caption>> captions;
    std::optional<TitleCard> intro;
    std::optional<TitleCard> outro;

    std::vector<ProjectOutput> outputs;

    // The document as it was read. Saving writes what is known over it, so keys this version
    // does not know (written by a newer one, or by hand) are kept.
    nlohmann::json document = nlohmann::json::object();

    // The locales outputs render in: the named ones in order, or just "" without locales.
    std::vector<std::string> locales() const;
    // The captions of one locale (none for an unknown one).
    std::vector<Caption> captionsFor(const std::string& locale) const;
};

// Whether the two describe the same project (what a round trip must keep), the kept document
// included.
bool sameProject(const Project& a, const Project& b);

}  // namespace kestro
