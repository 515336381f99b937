#pragma once
// Reads back what an export wrote, for the verb's result.

#include <filesystem>
#include <optional>

namespace kestro::cli {

// The movie's duration in seconds as its container states it; none when it cannot be read.
std::optional<double> probeDuration(const std::filesystem::path& movie);

}  // namespace kestro::cli
