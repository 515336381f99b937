#pragma once
// A contact sheet of every frame image in a folder, for looking at the whole set at once.

#include <filesystem>
#include <string>

namespace kestro::framegen {

// Writes the sheet; on failure returns false and sets `error`.
bool writeContactSheet(const std::filesystem::path& folder, const std::filesystem::path& out,
                       std::string& error);

}  // namespace kestro::framegen
