#include "core/export/export_config.hpp"

#include <algorithm>
#include <cctype>

namespace kestro {

bool isMovFormat(const ExportConfig& config) {
    std::string lower = config.format;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "mov";
}

}  // namespace kestro
