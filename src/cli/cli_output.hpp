#pragma once
// How every verb reports: a failure goes to standard error as its description and recovery
// suggestion, or, with --json, as one {"error": {...}} object on standard output. Warnings of
// a success go to standard error in every mode (--json adds them to its result object too).

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

namespace kestro::cli {

void printError(const std::string& description, const std::optional<std::string>& recovery,
                bool json);

// Warnings of an operation that succeeded: one line each on standard error, as they are.
void printWarnings(const std::vector<std::string>& warnings);

// Prints one machine-readable result object on standard output.
void printJson(const nlohmann::json& value);

}  // namespace kestro::cli
