#pragma once
// The `.kestro` file: a project as JSON (the README documents the format). Reading checks
// everything before it returns, so a project that opens can be rendered: the recording exists,
// every value is in range, every path stays in the project's folder, every target is known and
// no two outputs write the same file. The first fault is reported by its JSON pointer.

#include "core/project/project.hpp"
#include "core/project/project_error.hpp"
#include "core/result.hpp"

#include <filesystem>

namespace kestro {

// Reads and checks the project at `file`.
Result<Project, ProjectError> loadProject(const std::filesystem::path& file);

// The same from a document already parsed; relative paths are taken against `folder`.
Result<Project, ProjectError> projectFromJson(const nlohmann::json& document,
                                              const std::filesystem::path& folder);

// The document of `project` as a file in `folder` holds it: the kept document with every known
// field written over it, paths relative to `folder` where they lie inside it.
nlohmann::json projectToJson(const Project& project, const std::filesystem::path& folder);

// Writes `project` to `file` whole or not at all (an earlier file stays as it was on failure).
Result<Done, ProjectError> saveProject(const Project& project, const std::filesystem::path& file);

}  // namespace kestro
