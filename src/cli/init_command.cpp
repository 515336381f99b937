// kestro-cli init: a project file made from the options an export takes, with the outputs to
// render from it.

#include "cli/cli_output.hpp"
#include "cli/commands.hpp"
#include "cli/export_settings.hpp"
#include "core/media/movie_probe.hpp"
#include "core/model/frame_orientation.hpp"
#include "core/project/project_choices.hpp"
#include "core/project/project_file.hpp"
#include "core/project/project_outputs.hpp"

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kestro::cli {

namespace {

namespace fs = std::filesystem;

struct InitOptions {
    std::shared_ptr<ExportOptions> exportOptions = std::make_shared<ExportOptions>();
    std::string project;
    std::vector<std::string> outputs;  // TARGET or TARGET:FILE
};

std::string targetList() {
    std::string list;
    for (const OutputTarget target : allOutputTargets()) {
        if (!list.empty()) list += ", ";
        list += rawValue(target);
    }
    return list;
}

// The target an export with these choices makes, for a project given no --output.
OutputTarget targetOfChoices(const ExportChoices& choices) {
    if (choices.appStore) {
        switch (*choices.appStore) {
            case AppStorePreset::iphone: return OutputTarget::appStoreIphone;
            case AppStorePreset::iphone55: return OutputTarget::appStoreIphone55;
            case AppStorePreset::ipad: return OutputTarget::appStoreIpad;
        }
    }
    switch (choices.format) {
        case ExportFormat::mp4: return OutputTarget::mp4;
        case ExportFormat::mov: return OutputTarget::mov;
        case ExportFormat::gif: return OutputTarget::gif;
        case ExportFormat::webm: return OutputTarget::webm;
    }
    return OutputTarget::mp4;
}

int runInit(const InitOptions& init) {
    const ExportOptions& options = *init.exportOptions;
    const bool json = options.json;
    auto usage = [json](const std::string& message) {
        printError(message, std::nullopt, json);
        return kExitUsage;
    };

    fs::path file = init.project;
    if (file.extension() != kProjectExtension) {
        return usage("Name the project " + file.filename().string() + kProjectExtension + " (projects end in " +
                     kProjectExtension + ").");
    }
    std::error_code error;
    if (!fs::is_regular_file(options.input, error)) {
        printError("The recording " + options.input + " does not exist.", std::nullopt, json);
        return kExitFailed;
    }
    auto choices = choicesFromOptions(options, false);
    if (!choices) return usage(choices.error());
    if (const auto probed = probeMovie(options.input); probed && probed->hasVideo) {
        choices->recordingSize = VideoSize{static_cast<double>(probed->video.uprightWidth),
                                           static_cast<double>(probed->video.uprightHeight)};
    }
    if (const auto problem = addRecordingTracks(options, false, *choices)) {
        if (problem->usage) return usage(problem->message);
        printError(problem->message, std::nullopt, json);
        return kExitFailed;
    }

    Project project = projectFromChoices(*choices, options.input);
    if (!options.frame.empty()) {
        const fs::path frame(options.frame);
        // As export reads --frame: an existing file is the user's PNG, anything else a key.
        if (fs::is_regular_file(frame, error)) {
            project.frameImage = fs::absolute(frame).lexically_normal();
        } else {
            project.frameKey = options.frame;
        }
    }
    project.orientation = frameOrientationFromRaw(options.orientation).value_or(FrameOrientation::automatic);

    std::map<std::string, int> used;
    auto uniqueName = [&used](OutputTarget target) {
        std::string name(rawValue(target));
        const int n = ++used[name];
        return n == 1 ? name : name + "-" + std::to_string(n);
    };
    for (const std::string& wanted : init.outputs) {
        const std::size_t colon = wanted.find(':');
        const std::string targetText = wanted.substr(0, colon);
        const auto target = outputTargetFromRaw(targetText);
        if (!target) return usage("--output \"" + wanted + "\": the target must be one of " + targetList() + ".");
        ProjectOutput output = outputFromChoices(*choices, *target, uniqueName(*target));
        if (colon != std::string::npos) output.file = wanted.substr(colon + 1);
        project.outputs.push_back(std::move(output));
    }
    if (project.outputs.empty()) {
        const OutputTarget target = targetOfChoices(*choices);
        project.outputs.push_back(outputFromChoices(*choices, target, uniqueName(target)));
    }

    // Read back before anything is written: the file then holds only what `render` accepts.
    const fs::path folder = fs::absolute(file).parent_path();
    auto checked = projectFromJson(projectToJson(project, folder), folder);
    if (!checked) return usage(checked.error().describe());
    // Rendered beside the project, no output may replace the recording or the project itself.
    if (auto plan = planOutputs(*checked, folder); plan) {
        if (auto spared = checkOutputsSpareInputs(*checked, *plan, file); !spared) {
            return usage(spared.error().describe());
        }
    }
    if (auto saved = saveProject(project, file); !saved) {
        printError(saved.error().describe(), std::nullopt, json);
        return kExitFailed;
    }
    const fs::path written = fs::absolute(file).lexically_normal();
    if (json) {
        nlohmann::json names = nlohmann::json::array();
        for (const ProjectOutput& output : project.outputs) names.push_back(output.name);
        printJson({{"project", written.string()}, {"outputs", names}});
    } else if (!options.quiet) {
        std::fprintf(stdout, "%s\n", written.string().c_str());
    }
    return kExitOk;
}

}  // namespace

void addInitCommand(CLI::App& app, Runner& run) {
    auto init = std::make_shared<InitOptions>();
    auto* sub = app.add_subcommand(
        "init",
        "Write a project file from the options export takes, with the outputs to render from it "
        "(see \"kestro-cli render\").");
    sub->add_option("project", init->project, "The .kestro file to write")->required();
    sub->add_option("--from", init->exportOptions->input, "The recording")->required();
    sub->add_option("--output", init->outputs,
                    "TARGET or TARGET:FILE, repeatable. TARGET: mp4, mov, gif, webm, png, "
                    "app-store-iphone, app-store-iphone-5.5, app-store-ipad, play-promo or "
                    "play-feature-graphic. FILE may use {name}, {target} and {locale} (default: "
                    "{name}.EXT). Without --output: one output of the export's format");
    addSharedOptions(sub, init->exportOptions);
    sub->callback([&run, init] { run = [init] { return runInit(*init); }; });
}

}  // namespace kestro::cli
