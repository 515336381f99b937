#pragma once
// Between a project and the export engine's choices: what one output in one locale asks of the
// engine, and (for `init`) a project made from the choices one export would use.

#include "core/export/export_request.hpp"
#include "core/project/project.hpp"
#include "core/result.hpp"

#include <string>

namespace kestro {

// The choices for `output` rendered in `locale`. The recording's size is left for the caller,
// which probes the recording once for every output. Fails with a message for people when this
// build cannot make the output's target.
Result<ExportChoices, std::string> choicesForOutput(const Project& project, const ProjectOutput& output,
                                                    const std::string& locale);

// A project holding `choices` (canvas, trim, tracks, story) for `recording`, with no outputs yet.
Project projectFromChoices(const ExportChoices& choices, const std::filesystem::path& recording);

// An output of `target` carrying the format options of `choices`, named `name`.
ProjectOutput outputFromChoices(const ExportChoices& choices, OutputTarget target, std::string name);

}  // namespace kestro
