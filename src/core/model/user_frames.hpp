#pragma once
// The user's own frames: every PNG in the frames folders they name (downloaded bezels, mockup
// packs) joins the catalogue in the "My frames" group. A PNG that cannot serve as a frame is
// left out with the reason, so the user learns why it is missing.

#include "core/model/frame_catalog.hpp"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

struct SkippedFrame {
    std::filesystem::path file;  // the PNG, or the folder when the folder itself is unusable
    std::string reason;          // for people: "has no transparent screen opening near its centre"
};

struct UserFrames {
    std::vector<FramePreset> presets;  // folder by folder, each by file name
    std::vector<SkippedFrame> skipped;
};

// Reads every ".png" (any case) directly inside each folder. A usable one decodes and has a
// screen opening where frame-info finds one; its label comes from its file name, its key and
// image name are its absolute path. A folder named twice is read once, however it is spelt
// (a trailing "/", a detour through "..", a link to it).
UserFrames scanUserFrames(const std::vector<std::filesystem::path>& folders);

// The folders of a search path "DIR1:DIR2" (empty parts left out), as KESTRO_FRAMES_PATH
// holds them.
std::vector<std::filesystem::path> splitFramesPath(std::string_view text);
// The folders KESTRO_FRAMES_PATH names; none when it is unset.
std::vector<std::filesystem::path> framesFoldersFromEnvironment();

// The catalogue followed by the user's frames.
std::vector<FramePreset> withUserFrames(const std::vector<FramePreset>& catalog,
                                        const UserFrames& user);

}  // namespace kestro
