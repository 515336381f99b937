#include "cli/cli_output.hpp"

#include <iostream>

namespace kestro::cli {

void printError(const std::string& description, const std::optional<std::string>& recovery,
                bool json) {
    if (json) {
        nlohmann::json error{{"description", description},
                             {"recoverySuggestion", recovery ? nlohmann::json(*recovery)
                                                             : nlohmann::json(nullptr)}};
        printJson(nlohmann::json{{"error", error}});
        return;
    }
    std::cerr << "kestro-cli: " << description << '\n';
    if (recovery && !recovery->empty()) std::cerr << *recovery << '\n';
}

void printWarnings(const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings) std::cerr << warning << '\n';
}

void printJson(const nlohmann::json& value) {
    // Invalid UTF-8 (a file name, a device name) is replaced rather than thrown on.
    std::cout << value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

}  // namespace kestro::cli
