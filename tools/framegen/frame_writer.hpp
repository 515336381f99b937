#pragma once
// Writes the whole frame set into a folder.

#include <filesystem>
#include <string>

namespace kestro::framegen {

// Draws every device and colour of the table into `folder` (created if needed) and removes
// frame images an earlier generator wrote that are no longer in the table, so the folder holds
// exactly the current set. On failure returns false and sets `error`.
bool writeAllFrames(const std::filesystem::path& folder, std::string& error);

}  // namespace kestro::framegen
