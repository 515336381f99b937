#include "cli/frame_choice.hpp"

#include "core/model/device_screens.hpp"
#include "core/model/frame_image.hpp"
#include "core/model/resources.hpp"

#include <system_error>

namespace kestro::cli {

namespace fs = std::filesystem;

std::vector<fs::path> framesFolders(const std::vector<std::string>& options) {
    std::vector<fs::path> folders(options.begin(), options.end());
    for (auto& folder : framesFoldersFromEnvironment()) folders.push_back(std::move(folder));
    return folders;
}

FullCatalog fullCatalog(const std::vector<fs::path>& folders) {
    UserFrames user = scanUserFrames(folders);
    return FullCatalog{withUserFrames(framePresetCatalog(), user), std::move(user.skipped)};
}

std::optional<ChosenFrame> chooseFrame(const std::string& frame, FrameOrientation orientation,
                                       const std::vector<fs::path>& folders,
                                       std::optional<VideoSize> recording, FrameFailure& failure) {
    ChosenFrame chosen;
    if (frame.empty()) return chosen;
    std::optional<fs::path> path;
    std::error_code error;
    if (frame == "auto") {
        if (!recording || recording->width <= 0 || recording->height <= 0) {
            failure = {"--frame auto needs the recording's size, and it cannot be read.", false};
            return std::nullopt;
        }
        const FullCatalog catalog = fullCatalog(folders);
        const auto pick = autoFrameFor(static_cast<int>(recording->width),
                                       static_cast<int>(recording->height), catalog.presets);
        if (!pick || !pick->preset || !pick->preset->bundleImageName) {
            failure = {"No device frame is installed for --frame auto to choose from.", false};
            return std::nullopt;
        }
        path = frameImageURL(*pick->preset->bundleImageName);
        chosen.note = pick->note();
    } else if (fs::is_regular_file(frame, error)) {
        path = fs::path(frame);
    } else {
        path = frameImageURL(frame);
        // Else a label or file name from the user's own frames folders.
        for (const FramePreset& preset : scanUserFrames(folders).presets) {
            if (path) break;
            if (preset.label == frame || fs::path(preset.key).stem() == frame) {
                path = fs::path(preset.key);
            }
        }
    }
    if (!path) {
        failure = {
            "No frame named \"" + frame +
                "\": give a key listed by \"kestro-cli frames\", auto, or the path of a PNG.",
            true};
        return std::nullopt;
    }
    auto loaded = loadTrimmedPng(*path);
    if (!loaded) {
        failure = {"The frame image \"" + path->string() + "\" is not a readable PNG.", false};
        return std::nullopt;
    }
    const FrameOrientation resolved =
        recording ? resolvedOrientation(orientation, recording->width, recording->height)
                  : resolvedOrientation(orientation, 0, 0);
    chosen.image = std::make_shared<const Image>(orientedFrameImage(*loaded, resolved));
    return chosen;
}

}  // namespace kestro::cli
