#pragma once
// Which frame image an export or still draws, from what the user asked for: none, a catalogue
// key, a PNG's path, a frame from their own frames folders, or "auto" (the device whose screen
// the recording's size matches); turned to the orientation asked for.

#include "core/export/render_geometry.hpp"
#include "core/model/frame_catalog.hpp"
#include "core/model/frame_orientation.hpp"
#include "core/model/image.hpp"
#include "core/model/user_frames.hpp"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestro::cli {

// The folders of --frames-dir, then those of KESTRO_FRAMES_PATH.
std::vector<std::filesystem::path> framesFolders(const std::vector<std::string>& options);

// The shipped catalogue followed by the user's frames from these folders.
struct FullCatalog {
    std::vector<FramePreset> presets;
    std::vector<SkippedFrame> skipped;
};
FullCatalog fullCatalog(const std::vector<std::filesystem::path>& folders);

struct ChosenFrame {
    std::shared_ptr<const Image> image;  // null: frameless
    std::string note;                    // said to the user when not empty ("auto" explains)
};

struct FrameFailure {
    std::string message;
    bool usage = false;  // a bad request (exit 2) rather than a file that failed (exit 1)
};

// `frame` empty: none. `recording` is the recording's upright size when known; "auto" needs it.
std::optional<ChosenFrame> chooseFrame(const std::string& frame, FrameOrientation orientation,
                                       const std::vector<std::filesystem::path>& folders,
                                       std::optional<VideoSize> recording, FrameFailure& failure);

}  // namespace kestro::cli
