// kestro-cli export: frames a recording into a device frame and writes an MP4, MOV, GIF or WebM,
// or an App Store preview.

#include "cli/cancel_signals.hpp"
#include "cli/cli_output.hpp"
#include "cli/commands.hpp"
#include "cli/export_options.hpp"
#include "cli/export_settings.hpp"
#include "cli/export_progress.hpp"
#include "cli/frame_choice.hpp"
#include "cli/speed_options.hpp"
#include "cli/tap_options.hpp"
#include "cli/zoom_option.hpp"
#include "core/export/av_exporter.hpp"
#include "core/export/background_image.hpp"
#include "core/export/export_error.hpp"
#include "core/export/feature_graphic.hpp"
#include "core/export/still_finder.hpp"
#include "core/export/export_request.hpp"
#include "core/export/render_geometry.hpp"
#include "core/export/still_image.hpp"
#include "core/media/movie_probe.hpp"
#include "core/model/app_store_preset.hpp"
#include "core/model/google_play_preset.hpp"
#include "core/model/canvas_aspect.hpp"
#include "core/model/export_format.hpp"
#include "core/model/export_quality.hpp"
#include "core/model/export_resolution.hpp"
#include "core/model/frame_image.hpp"

#include <signal.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace kestro::cli {

namespace {

namespace fs = std::filesystem;


// Narrower than this, a framed recording shows nothing; wider, the engine refuses the canvas.
constexpr std::int64_t kMinimumWidth = 16;
constexpr std::int64_t kMaximumWidth = 8192;

// The engine's limits of the user's scale, in the option's percent.
constexpr double kMinimumScalePercent = kMinimumUserScale * 100;
constexpr double kMaximumScalePercent = kMaximumUserScale * 100;

std::string percent(double value) {
    return std::to_string(static_cast<int>(std::lround(value)));
}

int usageError(const std::string& message, bool json) {
    printError(message, std::nullopt, json);
    return kExitUsage;
}

int failure(const std::string& message, bool json) {
    printError(message, std::nullopt, json);
    return kExitFailed;
}

}  // namespace

Result<ExportChoices, std::string> choicesFromOptions(const ExportOptions& options, bool still) {
    const bool json = options.json;
    const fs::path output = options.output;
    const auto usageError = [](const std::string& message, bool) { return fail(message); };
    ExportChoices choices;
    if (!options.preset.empty()) {
        // The option admits only the presets' names.
        choices.appStore = appStorePresetFromRaw(options.preset);
        choices.googlePlay = googlePlayPresetFromRaw(options.preset);
        if (!options.format.empty() && options.format != "mp4") {
            return usageError(
                "A store preset writes an MP4 (or the feature graphic's PNG); drop "
                "--format or pass mp4.",
                json);
        }
        if (options.width) {
            return usageError("A store preset has the store's fixed size; drop --width.", json);
        }
    }
    if (choices.appStore || choices.googlePlay) {
        choices.format = ExportFormat::mp4;
    } else if (!options.format.empty()) {
        // The option's check admits only the listed names, in the listed spelling.
        choices.format = exportFormatFromRaw(options.format).value_or(ExportFormat::mp4);
    } else if (auto format = formatFromExtension(output)) {
        choices.format = *format;
    } else if (!still && !options.output.empty()) {
        return usageError("Cannot tell the format from \"" + output.filename().string() +
                              "\"; name the output .mp4, .mov, .gif or .webm, or pass --format.",
                          json);
    }
    choices.quality = exportQualityFromRaw(options.quality).value_or(ExportQuality::standard);
    if (options.width && (*options.width < kMinimumWidth || *options.width > kMaximumWidth)) {
        return usageError("--width must be " + std::to_string(kMinimumWidth) + " to " +
                              std::to_string(kMaximumWidth) + " pixels.",
                          json);
    }
    choices.width = options.width;
    if (options.fps && !(*options.fps >= 1 && *options.fps <= kMaximumFrameRate)) {
        return usageError(
            "--fps must be 1 to " + std::to_string(kMaximumFrameRate) + " frames per second.",
            json);
    }
    choices.fps = options.fps;
    choices.constantRate = options.constantRate;

    // The option admits only the names of the resolutions, so this always finds one.
    choices.resolution =
        exportResolutionFromRaw(options.resolution).value_or(ExportResolution::hd720p);

    const auto background = parseBackground(options.background);
    if (!background) {
        return usageError("--background must be transparent, white, black, #RRGGBB or #RRGGBBAA.",
                          json);
    }
    choices.background = *background;
    // One background at a time: a gradient or a picture replaces the colour.
    if (!options.gradient.empty() && !options.backgroundImage.empty()) {
        return usageError("Give either --gradient or --background-image, not both.", json);
    }
    if (!options.gradient.empty()) {
        const auto gradient = parseGradient(options.gradient);
        if (!gradient) {
            return usageError(
                "--gradient must be \"#RRGGBB[AA],#RRGGBB[AA]\" with an optional angle in "
                "degrees after a third comma.",
                json);
        }
        choices.background = *gradient;
    }
    if (!options.backgroundImage.empty()) {
        choices.background = BackgroundFill::image(options.backgroundImage);
    }

    // The option admits only the listed names.
    choices.aspect = canvasAspectFromRaw(options.aspect).value_or(CanvasAspect::frame);
    if (!options.padding.empty()) {
        choices.paddingPercent = parsePadding(options.padding);
        if (!choices.paddingPercent) {
            return usageError("--padding must be a percentage from 0 to below 50.", json);
        }
    }
    choices.shadow = options.shadow;

    // Captions and title cards: every one checked before anything is read or written.
    const bool hasStory = !options.captions.empty() || !options.title.empty() ||
                          !options.outro.empty() || options.titleSeconds || options.captionSize;
    if (still && hasStory) {
        return usageError("Captions and titles belong to movies; drop them for a picture.", json);
    }
    const auto position = parseCaptionPosition(options.captionPosition);
    if (!position) return usageError("--caption-position must be top, bottom or centre.", json);
    if (options.captionSize && !(*options.captionSize >= kMinCaptionSizePercent &&
                                 *options.captionSize <= kMaxCaptionSizePercent)) {
        return usageError("--caption-size must be " + percent(kMinCaptionSizePercent) + " to " +
                              percent(kMaxCaptionSizePercent) + " percent of the canvas height.",
                          json);
    }
    for (const std::string& text : options.captions) {
        auto caption = parseCaption(text);
        if (!caption) return usageError("--caption \"" + text + "\": " + caption.error() + ".", json);
        caption->position = *position;
        if (options.captionSize) caption->sizePercent = *options.captionSize;
        choices.story.captions.push_back(std::move(*caption));
    }
    if (options.titleSeconds && !(*options.titleSeconds >= kMinTitleSeconds &&
                                  *options.titleSeconds <= kMaxTitleSeconds)) {
        return usageError("--title-seconds must be 0.5 to 10 seconds.", json);
    }
    if (options.titleSeconds && options.title.empty() && options.outro.empty()) {
        return usageError("--title-seconds needs --title or --outro.", json);
    }
    for (const auto& [name, text, card] :
         {std::tuple{"--title", &options.title, &choices.story.intro},
          std::tuple{"--outro", &options.outro, &choices.story.outro}}) {
        if (text->empty()) continue;
        auto parsed = parseTitle(*text);
        if (!parsed) return usageError(std::string(name) + ": " + parsed.error() + ".", json);
        if (options.titleSeconds) parsed->seconds = *options.titleSeconds;
        *card = std::move(*parsed);
    }

    // Speed changes: every value checked before anything is read or written.
    const bool hasSpeed = !options.speeds.empty() || !options.shortenStills.empty();
    if (still && hasSpeed) {
        return usageError("Speed changes belong to movies; drop them for a picture.", json);
    }
    if (auto track = parseSpeedTrack(options.speeds); track) {
        choices.speed = std::move(*track);
    } else {
        return usageError("--speed: " + track.error() + ".", json);
    }
    if (!options.shortenStills.empty()) {
        auto limit = parseShortenStills(options.shortenStills);
        if (!limit) return usageError("--shorten-stills: " + limit.error() + ".", json);
    }
    choices.keepFastSound = options.fastSound;
    if (still && options.taps.anyGiven()) {
        return usageError("Taps are drawn on movies; drop the touch options for a picture.", json);
    }

    if (!options.screen.empty()) {
        choices.screen = parseScreenRect(options.screen);
        if (!choices.screen) {
            return usageError(
                "--screen must be X,Y,W,H in percent of the frame, inside 0 to 100, with W and H "
                "above 0.",
                json);
        }
    }

    // Infinity is how "until the end" is spelt inside; a typed NaN or infinity is a typo.
    if (std::isnan(options.start) || std::isnan(options.end) || !std::isfinite(options.start)) {
        return usageError("--start and --end must be numbers of seconds.", json);
    }
    if (!std::isfinite(options.scale) || !std::isfinite(options.offsetX) ||
        !std::isfinite(options.offsetY)) {
        return usageError("--scale, --offset-x and --offset-y must be finite numbers.", json);
    }
    if (options.scale < kMinimumScalePercent || options.scale > kMaximumScalePercent) {
        return usageError("--scale must be " + percent(kMinimumScalePercent) + " to " +
                              percent(kMaximumScalePercent) + " percent.",
                          json);
    }

    choices.trimStart = options.start;
    choices.trimEnd = options.end;
    choices.scalePercent = options.scale;
    choices.offsetXPercent = options.offsetX;
    choices.offsetYPercent = options.offsetY;
    choices.fitMode = VideoFitMode::fill;
    return choices;
}

std::optional<OptionFailure> addRecordingTracks(const ExportOptions& options, bool still,
                                                ExportChoices& choices) {
    if (still) return std::nullopt;
    // Touches: the file is read and checked here, so a bad one stops the export before it starts.
    auto taps = resolveTaps(options.taps, options.input, options.autoZoom);
    if (const auto* problem = std::get_if<TapProblem>(&taps)) {
        return OptionFailure{problem->message, problem->usage};
    }
    choices.touches = std::move(std::get<TapChoice>(taps).touches);
    choices.taps = std::get<TapChoice>(taps).style;
    if (!options.shortenStills.empty()) {
        // The waits of the trimmed range, each sped to the limit where no --speed covers it.
        const auto limit = parseShortenStills(options.shortenStills);
        if (!limit) return OptionFailure{"--shorten-stills: " + limit.error() + ".", true};
        auto stills = findStillStretches(options.input, options.start, options.end);
        if (!stills) {
            const std::string& why = stills.error().message;
            return OptionFailure{
                "--shorten-stills: " +
                    (why.empty() ? std::string("the recording cannot be read") : why) + ".",
                false};
        }
        choices.speed = shortenStills(*stills, *limit, choices.speed);
    }
    auto camera = cameraFromOptions({options.zooms, options.autoZoom}, choices.touches,
                                    choices.recordingSize);
    if (!camera) return OptionFailure{camera.error(), true};
    choices.camera = std::move(*camera);
    return std::nullopt;
}

namespace {

int runExport(const ExportOptions& options) {
    const bool json = options.json;
    const fs::path input = options.input;
    const fs::path output = options.output;

    // A screenshot goes in, or a moment of a recording is asked for: one framed picture comes out.
    // So does the feature graphic, of the range's first moment unless --at says otherwise.
    const auto playPreset = googlePlayPresetFromRaw(options.preset);
    const bool featureGraphic = playPreset == GooglePlayPreset::featureGraphic;
    const bool still = isStillPicture(input) || options.at.has_value() || featureGraphic;
    if (featureGraphic && stillFormatFromExtension(output) != StillFormat::png) {
        return usageError("The feature graphic is a PNG; name the output .png.", json);
    }
    if (still && !stillFormatFromExtension(output)) {
        return usageError(
            "A framed picture is written as a PNG or JPEG; name the output .png, "
            ".jpg or .jpeg.",
            json);
    }
    if (still && !options.preset.empty() && !featureGraphic) {
        return usageError("A store video preset makes a movie; drop --preset for a picture.", json);
    }
    if (!still && stillFormatFromExtension(output)) {
        return usageError("A picture from a recording needs a time: kestro-cli still \"" +
                              input.string() + "\" --at SECONDS -o \"" + output.string() + "\".",
                          json);
    }
    if (options.at && !(std::isfinite(*options.at) && *options.at >= 0)) {
        return usageError("--at must be a number of seconds from 0 up.", json);
    }

    std::error_code error;
    if (fs::is_directory(output, error)) {
        return usageError("The output \"" + output.string() + "\" is a folder.", json);
    }
    // Writing over the recording being read would destroy it whatever the outcome.
    if (fs::exists(output, error) && fs::equivalent(input, output, error)) {
        return usageError("The output must not be the input file.", json);
    }

    auto built = choicesFromOptions(options, still);
    if (!built) return usageError(built.error(), json);
    ExportChoices choices = std::move(*built);
    // Without a frame the recording fills the device box, so the canvas takes its shape; a
    // preview turns landscape for a landscape recording, and so does the frame; "auto" picks
    // the frame by it. A recording that cannot be probed fails in the engine with the proper
    // error.
    std::optional<Image> screenshot;
    if (isStillPicture(input)) {
        auto loaded = loadScreenshot(input);
        if (!loaded) return failure(loaded.error(), json);
        screenshot = std::move(*loaded);
        choices.recordingSize = VideoSize{static_cast<double>(screenshot->width),
                                          static_cast<double>(screenshot->height)};
    } else if (const auto probed = probeMovie(input); probed && probed->hasVideo) {
        choices.recordingSize = VideoSize{static_cast<double>(probed->video.uprightWidth),
                                          static_cast<double>(probed->video.uprightHeight)};
    }

    // The option admits only the listed names.
    const FrameOrientation orientation =
        frameOrientationFromRaw(options.orientation).value_or(FrameOrientation::automatic);
    FrameFailure frameFailure;
    auto chosenFrame = chooseFrame(options.frame, orientation, framesFolders(options.framesDirs),
                                   choices.recordingSize, frameFailure);
    if (!chosenFrame) {
        return frameFailure.usage ? usageError(frameFailure.message, json)
                                  : failure(frameFailure.message, json);
    }
    if (!chosenFrame->note.empty() && !options.quiet && !json) {
        std::fprintf(stderr, "%s\n", chosenFrame->note.c_str());
    }
    std::shared_ptr<const Image> frame = std::move(chosenFrame->image);
    if (const auto layout = canvasLayoutFor(choices, frame.get()); !layout) {
        return failure(layout.error(), json);
    }
    // A picture that cannot be read is reported before the engine starts.
    if (const BackgroundPicture* picture = choices.background.asPicture()) {
        if (auto loaded = loadBackgroundImage(picture->path); !loaded) {
            return failure(loaded.error(), json);
        }
    }
    if (const auto problem = addRecordingTracks(options, still, choices)) {
        return problem->usage ? usageError(problem->message, json)
                              : failure(problem->message, json);
    }
    const ExportConfig config = buildExportConfig(choices, frame.get());
    if (still) {
        auto picture = screenshot ? renderStill(*screenshot, config, frame.get())
                                  : renderMovieStill(input, options.at.value_or(options.start),
                                                     config, frame.get());
        if (!picture) return failure(picture.error(), json);
        auto saved =
            featureGraphic ? saveFeatureGraphic(*picture, output) : saveStill(*picture, output);
        if (!saved) return failure(saved.error(), json);
        const fs::path written = fs::absolute(output, error);
        if (json) {
            printJson(
                {{"output", written.string()},
                 {"format", stillFormatFromExtension(output) == StillFormat::png ? "png" : "jpeg"},
                 {"width", picture->width},
                 {"height", picture->height}});
        } else if (!options.quiet) {
            std::fprintf(stdout, "%s\n", written.string().c_str());
        }
        return kExitOk;
    }

    ExportProgressBar bar(!options.quiet);
    auto result = [&] {
        const CancelSignals signals;
        // The only reference goes to the engine, which drops it once it has made the canvas.
        return AVFExporter{}.exportVideo(
            input, std::move(frame), config, output, [&bar](double fraction) { bar.update(fraction); },
            [] { return cancelRequested(); });
    }();
    bar.finish();

    if (!result.ok()) {
        const ExportError& e = result.error();
        printError(e.errorDescription(), e.recoverySuggestion(), json);
        return e.kind() == ExportError::Kind::exportCancelled ? kExitCancelled : kExitFailed;
    }

    const fs::path written = fs::absolute(result->path, error);
    // What went wrong without failing the export is said whatever else is printed.
    printWarnings(result->warnings);
    if (json) {
        nlohmann::json object{{"output", written.string()},
                              {"format", std::string(rawValue(config.format))},
                              {"width", config.width},
                              {"height", config.height}};
        // The duration as the written container states it; null when it cannot be read back.
        const auto info = probeMovie(written);
        object["duration"] =
            info && info->duration > 0 ? nlohmann::json(info->duration) : nlohmann::json(nullptr);
        object["warnings"] = result->warnings;
        printJson(object);
    } else if (!options.quiet) {
        std::fprintf(stdout, "%s\n", written.string().c_str());
    }
    return kExitOk;
}

}  // namespace

void addSharedOptions(CLI::App* sub, const std::shared_ptr<ExportOptions>& options) {
    sub->add_option("--frame", options->frame,
                    "A frame key (see \"kestro-cli frames\"), the path of a frame PNG, or auto "
                    "(the device whose screen size the recording has; none when not given)");
    sub->add_option("--orientation", options->orientation,
                    "auto (default: as the recording is shaped), portrait or landscape; a "
                    "landscape frame is turned with the device's top to the left")
        ->check(CLI::IsMember({"auto", "portrait", "landscape"}));
    sub->add_option("--frames-dir", options->framesDirs,
                    "A folder of your own frame PNGs (repeatable; KESTRO_FRAMES_PATH adds more)");
    // Matched in any case; the check hands back the listed spelling, so "MOV" arrives as "mov".
    sub->add_option("--format", options->format,
                    "mp4, mov, gif or webm (default: from the output's name). A transparent "
                    "background gives a GIF or WebM with transparency")
        ->check(CLI::IsMember({"mp4", "mov", "gif", "webm"}, CLI::ignore_case));
    sub->add_option("--preset", options->preset,
                    "An App Store preview instead of a framed movie: app-store-iphone (886x1920), "
                    "app-store-iphone-5.5 (1080x1920) or app-store-ipad (1200x1600); landscape "
                    "for a landscape recording. Must be 15 to 30 s long. Or Google Play: "
                    "play-promo (framed, 1080x1920 or 1920x1080 landscape, with sound) or "
                    "play-feature-graphic (a 1024x500 PNG without alpha of the range's start, "
                    "or still --at)")
        ->check(CLI::IsMember({"app-store-iphone", "app-store-iphone-5.5", "app-store-ipad",
                               "play-promo", "play-feature-graphic"}));
    sub->add_option("--resolution", options->resolution,
                    "720p, 1080p or 1440p (default 720p; GIF: 600 px wide)")
        ->check(CLI::IsMember({"720p", "1080p", "1440p"}));
    sub->add_option("--width", options->width,
                    "Output width in pixels, replacing the resolution; the height follows the "
                    "frame. An odd width or height grows by one; each side is at most 8192");
    sub->add_option("--fps", options->fps,
                    "Output frame rate, 1 to 240 (default: the recording's capture rate; GIF 15; App "
                    "Store at most 30)");
    sub->add_flag("--constant-rate", options->constantRate,
                  "Write every frame at the constant rate even where the picture does not change "
                  "(MP4 and WebM of a variable-rate recording otherwise keep its variable timing; "
                  "App Store previews are always constant)");
    sub->add_option("--quality", options->quality,
                    "draft (fast), standard (default) or best (slow, for the final cut)")
        ->check(CLI::IsMember({"draft", "standard", "best"}, CLI::ignore_case));
    sub->add_option("--background", options->background,
                    "transparent, white, black, #RRGGBB or #RRGGBBAA (default black)");
    sub->add_option("--gradient", options->gradient,
                    "A linear gradient background \"#RRGGBB[AA],#RRGGBB[AA][,DEG]\"; the angle "
                    "as in CSS: 0 to the top, 90 to the right, 180 (default) to the bottom");
    sub->add_option("--background-image", options->backgroundImage,
                    "A PNG or JPEG background, scaled to cover the canvas and centred");
    sub->add_option("--aspect", options->aspect,
                    "Canvas shape: frame (default: the device's own), 16:9, 9:16, 1:1, 4:5 or 4:3")
        ->check(CLI::IsMember({"frame", "16:9", "9:16", "1:1", "4:5", "4:3"}));
    sub->add_option("--padding", options->padding,
                    "Room around the device, percent of the canvas's shorter side (default 0 "
                    "for frame, 8 otherwise)");
    sub->add_flag("--shadow", options->shadow, "A soft drop shadow under the device");
    sub->add_option("--start", options->start, "Start of the exported range, seconds");
    sub->add_option("--end", options->end, "End of the exported range, seconds");
    sub->add_option("--screen", options->screen,
                    "The screen opening X,Y,W,H in percent (default: detected in the frame)");
    sub->add_option("--scale", options->scale, "Video scale in percent, 10 to 1000 (default 100)");
    sub->add_option("--offset-x", options->offsetX, "Shift right, percent of half the screen");
    sub->add_option("--offset-y", options->offsetY, "Shift up, percent of half the screen");
    sub->add_option("--caption", options->captions,
                    "START-END:TEXT, seconds of the output; repeatable, \\n breaks a line")
        ->allow_extra_args(false);
    sub->add_option("--caption-position", options->captionPosition,
                    "Where captions sit: top, bottom (default) or centre");
    sub->add_option("--caption-size", options->captionSize,
                    "Caption text size in percent of the canvas height, 1 to 25 (default 3.5)");
    sub->add_option("--title", options->title, "An opening card: TITLE or TITLE|SUBTITLE");
    sub->add_option("--outro", options->outro, "A closing card: TITLE or TITLE|SUBTITLE");
    sub->add_option("--title-seconds", options->titleSeconds,
                    "How long each card shows, its fade included, 0.5 to 10 (default 2)");
    sub->add_option("--speed", options->speeds,
                    "START-END@FACTOR, seconds of the recording played FACTOR times as fast "
                    "(0.25 to 16); repeatable, never overlapping")
        ->allow_extra_args(false);
    sub->add_option("--shorten-stills", options->shortenStills,
                    "Speed every wait (a still stretch of a second or more) up to last at most "
                    "SECONDS");
    sub->add_flag("--fast-sound", options->fastSound,
                  "Keep the sound of stretches faster than 2x (sped, pitch kept) instead of "
                  "silencing it");
    sub->add_option("--zoom", options->zooms,
                    "START-END@X,Y[xSCALE]: the camera moves in on the point X,Y (fractions of "
                    "the recording) from START to END seconds of the recording, 1 to 4 times "
                    "(default 2); repeatable")
        ->allow_extra_args(false);
    sub->add_flag("--auto-zoom", options->autoZoom,
                  "Zoom in on the recording's taps (needs its touches)");
    addTapOptions(sub, options->taps);
    sub->add_flag("--json", options->json, "Print the result as one JSON object");
    sub->add_flag("--quiet", options->quiet, "No progress bar and no output path");
}

void addExportCommand(CLI::App& app, Runner& run) {
    auto options = std::make_shared<ExportOptions>();
    auto* sub = app.add_subcommand(
        "export",
        "Frame a screen recording into a device frame and write an MP4, MOV, GIF or WebM, or an "
        "App Store preview; or frame a PNG or JPEG screenshot into a PNG or JPEG.");
    sub->add_option("input", options->input, "The recording or screenshot to frame")->required();
    sub->add_option("-o,--output", options->output, "The movie or picture to write")->required();
    addSharedOptions(sub, options);
    sub->callback([&run, options] { run = [options] { return runExport(*options); }; });
}

void addStillCommand(CLI::App& app, Runner& run) {
    auto options = std::make_shared<ExportOptions>();
    auto* sub = app.add_subcommand(
        "still",
        "One framed picture (PNG or JPEG) of a recording at a given time: a poster "
        "frame or a store screenshot, with every frame and canvas option of export.");
    sub->add_option("input", options->input, "The recording")->required();
    sub->add_option("--at", options->at, "The time in seconds")->required();
    sub->add_option("-o,--output", options->output, "The .png or .jpg to write")->required();
    addSharedOptions(sub, options);
    sub->callback([&run, options] { run = [options] { return runExport(*options); }; });
}

}  // namespace kestro::cli
