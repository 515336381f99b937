#include "core/model/user_frames.hpp"

#include "core/model/frame_image.hpp"
#include "core/model/frame_label.hpp"
#include "core/model/png.hpp"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <system_error>

namespace kestro {

namespace fs = std::filesystem;

namespace {

void scanFolder(const fs::path& folder, UserFrames& out) {
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        out.skipped.push_back({folder, "is not a folder"});
        return;
    }
    std::vector<fs::path> files;
    fs::directory_iterator it(folder, error);
    if (error) {
        out.skipped.push_back({folder, "cannot be read: " + error.message()});
        return;
    }
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) break;
        if (toLowerAscii(it->path().extension().string()) != ".png") continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        const auto image = loadPng(file);
        if (!image) {
            out.skipped.push_back({file, "is not a readable PNG"});
            continue;
        }
        const Image trimmed = trimTransparentBorders(*image);
        if (!detectScreenRect(trimmed)) {
            out.skipped.push_back({file, "has no transparent screen opening near its centre"});
            continue;
        }
        const std::string path = file.string();
        FramePreset preset = newFramePreset(path, makeFrameLabel(file.stem().string()), path);
        preset.userFrame = true;
        out.presets.push_back(std::move(preset));
    }
}

}  // namespace

UserFrames scanUserFrames(const std::vector<fs::path>& folders) {
    UserFrames out;
    std::set<fs::path> seen;
    for (const fs::path& folder : folders) {
        std::error_code error;
        fs::path absolute = fs::absolute(folder, error);
        if (error) absolute = folder;
        absolute = absolute.lexically_normal();
        // "dir/" and "dir/." normalise to "dir/": the same folder as "dir", and its frames'
        // keys are the same either way.
        if (!absolute.has_filename() && absolute.has_relative_path()) {
            absolute = absolute.parent_path();
        }
        // The folder itself, whichever way it was reached (a link, a detour through "..").
        fs::path identity = fs::weakly_canonical(absolute, error);
        if (error) identity = absolute;
        if (!seen.insert(identity).second) continue;
        scanFolder(absolute, out);
    }
    return out;
}

std::vector<fs::path> splitFramesPath(std::string_view text) {
    std::vector<fs::path> folders;
    while (!text.empty()) {
        const std::size_t colon = text.find(':');
        const std::string_view part = text.substr(0, colon);
        if (!part.empty()) folders.emplace_back(std::string(part));
        if (colon == std::string_view::npos) break;
        text.remove_prefix(colon + 1);
    }
    return folders;
}

std::vector<fs::path> framesFoldersFromEnvironment() {
    const char* value = std::getenv("KESTRO_FRAMES_PATH");
    return value ? splitFramesPath(value) : std::vector<fs::path>{};
}

std::vector<FramePreset> withUserFrames(const std::vector<FramePreset>& catalog,
                                        const UserFrames& user) {
    std::vector<FramePreset> all = catalog;
    all.insert(all.end(), user.presets.begin(), user.presets.end());
    return all;
}

}  // namespace kestro
