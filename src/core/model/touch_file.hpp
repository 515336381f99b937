#pragma once
// The touch file that lies beside a recording (`take.touches.json` beside `take.mp4`):
//
//   {"version": 1, "touches": [{"t": 1.25, "x": 540, "y": 1200, "phase": "down", "id": 0}, ...]}
//
// t is seconds from the recording's first picture, x and y are pixels of the recording's
// upright picture, phase is "down", "move" or "up", id tells fingers apart. The file comes
// from outside (a phone, another tool, a hand edit), so reading it checks everything and names
// the first thing that is wrong; a file that fails is never half used.

#include "core/model/touch_track.hpp"
#include "core/result.hpp"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestro {

inline constexpr int kTouchFileVersion = 1;
// Larger files are refused before they are read: a day of recording at the touchscreen's full
// rate stays well below it.
inline constexpr std::size_t kMaxTouchFileBytes = 64u << 20;
inline constexpr std::size_t kMaxTouchCount = 2'000'000;
// Positions beyond this are not pixels of any recording.
inline constexpr double kMaxTouchCoordinate = 100'000;
// Ten hours: later times belong to no recording.
inline constexpr double kMaxTouchSeconds = 36'000;

// "<folder>/take.touches.json" for "<folder>/take.mp4".
std::filesystem::path touchFilePath(const std::filesystem::path& recording);

// The touches of a touch file's text, or a message naming what is wrong ("touch 3: \"phase\"
// must be \"down\", \"move\" or \"up\", not \"tap\"").
Result<TouchTrack, std::string> parseTouchFile(std::string_view text);

// The file's text for a track; parseTouchFile reads it back equal.
std::string touchFileText(const TouchTrack& track);

// Reads and checks a touch file; the message names the file's problem (the path is the
// caller's to add).
Result<TouchTrack, std::string> readTouchFile(const std::filesystem::path& path);

// Writes the file through a temporary file beside it, so an earlier file survives a failure.
Result<Done, std::string> writeTouchFile(const std::filesystem::path& path,
                                         const TouchTrack& track);

// The touch file beside a recording, when there is one. A file there that cannot be read is
// an error, not the absence of touches.
Result<std::optional<TouchTrack>, std::string> readTouchFileBeside(
    const std::filesystem::path& recording);

}  // namespace kestro
