#pragma once
// How every verb reports: a failure goes to standard error as its description and recovery
// suggestion, or, with --json, as one {"error": {...}} object on standard output.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace kestro::cli {

void printError(const std::string& description, const std::optional<std::string>& recovery,
                bool json);

// Prints one machine-readable result object on standard output.
void printJson(const nlohmann::json& value);

}  // namespace kestro::cli
