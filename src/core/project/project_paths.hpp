#pragma once
// Paths as a project file stores them: relative to the file's own folder, so a project moves
// with its recording. A relative path may not leave that folder, neither through ".." nor
// through a symbolic link on the way; an absolute path is taken as written (the user chose a
// file elsewhere on purpose).

#include "core/project/project_error.hpp"
#include "core/result.hpp"

#include <filesystem>
#include <string>

namespace kestro {

// `text` as read from the field at `pointer`, made absolute against `folder`. Fails when it is
// empty or leaves the folder.
Result<std::filesystem::path, ProjectError> resolveProjectPath(const std::filesystem::path& folder,
                                                               const std::string& text,
                                                               const std::string& pointer);

// How `path` (absolute) is written into a project in `folder`: relative when it lies inside the
// folder, else absolute. Always with forward slashes.
std::string storedProjectPath(const std::filesystem::path& folder, const std::filesystem::path& path);

}  // namespace kestro
