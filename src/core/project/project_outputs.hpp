#pragma once
// The files a project's outputs make: each output once per locale, its file name pattern filled
// in and placed in the output folder.

#include "core/project/project.hpp"
#include "core/project/project_error.hpp"
#include "core/result.hpp"

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace kestro {

struct PlannedOutput {
    std::size_t output = 0;  // index in Project::outputs
    std::string locale;      // "" without locales
    std::filesystem::path path;
};

// The pattern an output uses when it names none: "{name}.EXT", with "-{locale}" before the
// extension when the project has locales.
std::string defaultFilePattern(const Project& project, const ProjectOutput& output);

// The pattern with {name}, {target} and {locale} filled in. Fails (at `pointer`) on any other
// placeholder or a stray brace.
Result<std::string, ProjectError> expandFilePattern(const std::string& pattern,
                                                    const ProjectOutput& output,
                                                    const std::string& locale,
                                                    const std::string& pointer);

// Every file, outputs in order and each output's locales in order. Fails when a name leaves the
// output folder (through ".." or a link), or when two outputs would write the same file (also
// when one reaches it through a folder link).
Result<std::vector<PlannedOutput>, ProjectError> planOutputs(const Project& project,
                                                             const std::filesystem::path& outputFolder);

// Fails (at the output's "file") when a planned file is one the project reads: its recording,
// the recording's touch file, its frame or background picture, or `projectFile` itself. The
// output is written by replacing the file whole, so the input would be lost.
Result<Done, ProjectError> checkOutputsSpareInputs(const Project& project,
                                                   const std::vector<PlannedOutput>& plan,
                                                   const std::filesystem::path& projectFile);

}  // namespace kestro
