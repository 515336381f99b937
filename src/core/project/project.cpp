#include "core/project/project.hpp"

#include "core/project/project_file.hpp"

namespace kestro {

std::vector<std::string> Project::locales() const {
    std::vector<std::string> out;
    for (const auto& [locale, list] : captions) {
        if (!locale.empty()) out.push_back(locale);
    }
    if (out.empty()) out.push_back("");
    return out;
}

std::vector<Caption> Project::captionsFor(const std::string& locale) const {
    const auto it = captions.find(locale);
    return it == captions.end() ? std::vector<Caption>{} : it->second;
}

bool sameProject(const Project& a, const Project& b) {
    // Every field is written into the document, so equal documents are equal projects.
    return projectToJson(a, "/") == projectToJson(b, "/");
}

}  // namespace kestro
