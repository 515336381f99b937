#include "core/project/project_outputs.hpp"

#include "core/model/touch_file.hpp"
#include "core/project/project_paths.hpp"

#include <map>
#include <utility>

namespace kestro {

namespace fs = std::filesystem;

namespace {

// The file a path reaches once every link on the way is followed; the path itself when that
// cannot be worked out.
fs::path realPath(const fs::path& path) {
    std::error_code error;
    fs::path real = fs::weakly_canonical(path, error);
    return error ? path : real;
}

// Whether writing `output` would replace `input`: the same path once links are followed, or
// another name (a hard link) of the same file.
bool sameFile(const fs::path& output, const fs::path& input) {
    if (realPath(output) == realPath(input)) return true;
    std::error_code error;
    return fs::equivalent(output, input, error) && !error;
}

std::string outputPointer(std::size_t index) {
    return "/outputs/" + std::to_string(index) + "/file";
}

}  // namespace

std::string defaultFilePattern(const Project& project, const ProjectOutput& output) {
    const bool localised = project.locales().size() > 1 || !project.locales().front().empty();
    return std::string("{name}") + (localised ? "-{locale}" : "") + "." +
           std::string(fileExtension(output.target));
}

Result<std::string, ProjectError> expandFilePattern(const std::string& pattern,
                                                    const ProjectOutput& output,
                                                    const std::string& locale,
                                                    const std::string& pointer) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '}') return fail(ProjectError{pointer, "has a \"}\" without its \"{\""});
        if (c != '{') {
            out += c;
            continue;
        }
        const std::size_t close = pattern.find('}', i);
        if (close == std::string::npos) return fail(ProjectError{pointer, "has a \"{\" without its \"}\""});
        const std::string key = pattern.substr(i + 1, close - i - 1);
        if (key == "name") out += output.name;
        else if (key == "target") out += rawValue(output.target);
        else if (key == "locale") out += locale;
        else {
            return fail(ProjectError{pointer, "{" + key + "} is not one of {name}, {target} and {locale}"});
        }
        i = close;
    }
    return out;
}

Result<std::vector<PlannedOutput>, ProjectError> planOutputs(const Project& project,
                                                             const fs::path& outputFolder) {
    std::vector<PlannedOutput> plan;
    // Which output (pointer) first claimed each file.
    std::map<fs::path, std::string> claimed;
    for (std::size_t i = 0; i < project.outputs.size(); ++i) {
        const ProjectOutput& output = project.outputs[i];
        const std::string pointer = outputPointer(i);
        const std::string pattern = output.file.empty() ? defaultFilePattern(project, output) : output.file;
        for (const std::string& locale : project.locales()) {
            auto name = expandFilePattern(pattern, output, locale, pointer);
            if (!name) return fail(name.error());
            if (fs::path(*name).is_absolute()) {
                return fail(ProjectError{pointer, "must be a name inside the output folder, not an absolute path"});
            }
            auto path = resolveProjectPath(outputFolder, *name, pointer);
            if (!path) return fail(path.error());
            if (!path->has_filename() || path->filename() == "." ) {
                return fail(ProjectError{pointer, "names a folder, not a file"});
            }
            const std::string where = "/outputs/" + std::to_string(i) +
                                      (locale.empty() ? "" : " (" + locale + ")");
            // By the file reached, so that "shot.png" and "same/shot.png" through a link to the
            // folder are seen as one.
            const auto [it, fresh] = claimed.emplace(realPath(*path), where);
            if (!fresh) {
                return fail(ProjectError{pointer, "writes " + *name + ", as " + it->second + " already does"});
            }
            plan.push_back({i, locale, *path});
        }
    }
    return plan;
}

Result<Done, ProjectError> checkOutputsSpareInputs(const Project& project,
                                                   const std::vector<PlannedOutput>& plan,
                                                   const fs::path& projectFile) {
    std::vector<std::pair<fs::path, std::string>> inputs{
        {project.recording, "the project's recording"},
        {touchFilePath(project.recording), "the recording's touch file"}};
    if (!project.frameImage.empty()) {
        inputs.emplace_back(project.frameImage, "the project's frame image");
    }
    if (const BackgroundPicture* picture = project.canvas.background.asPicture()) {
        inputs.emplace_back(picture->path, "the project's background picture");
    }
    if (!projectFile.empty()) {
        inputs.emplace_back(fs::absolute(projectFile), "the project file itself");
    }
    for (const PlannedOutput& planned : plan) {
        for (const auto& [input, what] : inputs) {
            if (input.empty() || !sameFile(planned.path, input)) continue;
            return fail(ProjectError{outputPointer(planned.output),
                                     "writes " + planned.path.string() + ", which is " + what +
                                         ": an output must not replace a file the project reads"});
        }
    }
    return Done{};
}

}  // namespace kestro
