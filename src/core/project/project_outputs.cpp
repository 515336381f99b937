#include "core/project/project_outputs.hpp"

#include "core/project/project_paths.hpp"

#include <map>

namespace kestro {

namespace fs = std::filesystem;

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
        const std::string pointer = "/outputs/" + std::to_string(i) + "/file";
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
            const auto [it, fresh] = claimed.emplace(*path, where);
            if (!fresh) {
                return fail(ProjectError{pointer, "writes " + *name + ", as " + it->second + " already does"});
            }
            plan.push_back({i, locale, *path});
        }
    }
    return plan;
}

}  // namespace kestro
