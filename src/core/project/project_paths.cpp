#include "core/project/project_paths.hpp"

namespace kestro {

namespace fs = std::filesystem;

namespace {

// Whether `inner` is `outer` or below it; both already normal.
bool isWithin(const fs::path& outer, const fs::path& inner) {
    auto o = outer.begin();
    auto i = inner.begin();
    for (; o != outer.end(); ++o, ++i) {
        if (o->empty()) continue;  // a trailing separator
        if (i == inner.end() || *o != *i) return false;
    }
    return true;
}

bool startsWithParent(const fs::path& relative) {
    return !relative.empty() && *relative.begin() == "..";
}

}  // namespace

Result<fs::path, ProjectError> resolveProjectPath(const fs::path& folder, const std::string& text,
                                                  const std::string& pointer) {
    if (text.empty()) return fail(ProjectError{pointer, "is missing"});
    const fs::path written(text);
    if (written.is_absolute()) return written.lexically_normal();
    const fs::path normal = written.lexically_normal();
    if (startsWithParent(normal)) {
        return fail(ProjectError{pointer, "\"" + text + "\" leaves the project's folder through \"..\""});
    }
    const fs::path base = fs::absolute(folder).lexically_normal();
    const fs::path joined = (base / normal).lexically_normal();
    // Links anywhere on the way count: the path must still be inside once they are followed.
    std::error_code error;
    const fs::path realBase = fs::weakly_canonical(base, error);
    if (error) return joined;  // the folder itself cannot be read; reading the file will say so
    // Followed as the system would: a link first, then ".." from where it leads.
    const fs::path realJoined = fs::weakly_canonical(base / written, error);
    if (!error && !isWithin(realBase, realJoined)) {
        return fail(ProjectError{pointer, "\"" + text + "\" leaves the project's folder through a link"});
    }
    return joined;
}

std::string storedProjectPath(const fs::path& folder, const fs::path& path) {
    const fs::path base = fs::absolute(folder).lexically_normal();
    const fs::path normal = fs::absolute(path).lexically_normal();
    if (isWithin(base, normal)) {
        const fs::path relative = normal.lexically_relative(base);
        if (!relative.empty() && !startsWithParent(relative)) return relative.generic_string();
    }
    return normal.generic_string();
}

}  // namespace kestro
