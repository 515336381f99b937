#pragma once
// What an output is made for: a plain movie or picture format, or a store's slot with its own
// published rules. Projects list outputs by target, `check` validates a file against one, and
// the command line spells them by their raw values.

#include <array>
#include <optional>
#include <string_view>

namespace kestro {

enum class OutputTarget {
    mp4,                 // "mp4"
    mov,                 // "mov": ProRes 4444 with alpha
    gif,                 // "gif"
    webm,                // "webm": VP9 with alpha
    png,                 // "png": a still of the canvas
    appStoreIphone,      // "app-store-iphone"
    appStoreIphone55,    // "app-store-iphone-5.5"
    appStoreIpad,        // "app-store-ipad"
    playPromo,           // "play-promo": 1080x1920 (1920x1080 landscape), H.264 High + AAC
    playFeatureGraphic,  // "play-feature-graphic": 1024x500 PNG without alpha
};

const std::array<OutputTarget, 10>& allOutputTargets();
std::string_view rawValue(OutputTarget target);
std::optional<OutputTarget> outputTargetFromRaw(std::string_view raw);
// The file name extension an output of this target gets, without the dot ("mp4", "png", ...).
std::string_view fileExtension(OutputTarget target);
// True for a still picture rather than a movie.
bool isStill(OutputTarget target);

}  // namespace kestro
