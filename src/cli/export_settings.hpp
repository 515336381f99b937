#pragma once
// The options export and still share, and the engine's choices made from them. `init` takes the
// same options, so a project starts from exactly what an export would have made.

#include "cli/tap_options.hpp"
#include "core/export/export_request.hpp"
#include "core/result.hpp"

#include <CLI/CLI.hpp>

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestro::cli {

struct ExportOptions {
    std::string input;
    std::string output;
    std::string frame;
    std::string format;
    std::string resolution = "720p";
    std::string preset;
    std::string quality = "standard";
    std::optional<std::int64_t> width;
    std::string background = "black";
    std::string gradient;
    std::string backgroundImage;
    std::string aspect = "frame";
    std::string padding;
    bool shadow = false;
    std::string screen;
    double start = 0;
    double end = std::numeric_limits<double>::infinity();  // the end of the source
    double scale = 100;
    double offsetX = 0;
    double offsetY = 0;
    std::optional<double> fps;
    bool constantRate = false;
    bool json = false;
    bool quiet = false;
    std::string orientation = "auto";
    std::vector<std::string> framesDirs;
    std::optional<double> at;  // a still of the recording at this time instead of a movie
    std::vector<std::string> captions;
    std::string captionPosition = "bottom";
    std::optional<double> captionSize;
    std::string title;
    std::string outro;
    std::optional<double> titleSeconds;
    std::vector<std::string> speeds;
    std::string shortenStills;
    bool fastSound = false;
    std::vector<std::string> zooms;
    bool autoZoom = false;
    TapOptions taps;
};

// Adds every framing, canvas, format, story and output-mode option to a verb.
void addSharedOptions(CLI::App* sub, const std::shared_ptr<ExportOptions>& options);

// Checks every option and turns them into the engine's choices. The format comes from --preset,
// --format, or the output's extension (mp4 when there is no output, as for a project). The
// recording's size is left for the caller. Fails with a usage message naming the option.
Result<ExportChoices, std::string> choicesFromOptions(const ExportOptions& options, bool still);

// Why the tracks read beside the recording could not be added: bad usage (exit 2) or a file
// that could not be read (exit 1).
struct OptionFailure {
    std::string message;
    bool usage = true;
};

// Adds what comes from the recording and its companion files to choices made by
// choicesFromOptions: the touches (the touch file), the waits --shorten-stills speeds up, and
// the camera (--zoom, --auto-zoom, which needs the recording's size). Nothing for a picture.
std::optional<OptionFailure> addRecordingTracks(const ExportOptions& options, bool still,
                                                ExportChoices& choices);

}  // namespace kestro::cli
