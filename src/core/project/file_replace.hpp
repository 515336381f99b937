#pragma once
// Writing a small file whole or not at all: the bytes go to a hidden temporary file in the same
// folder, are flushed to the disk, and the temporary file is renamed over the destination. A
// crash or a full disk leaves the earlier file as it was.

#include "core/result.hpp"

#include <filesystem>
#include <string>
#include <string_view>

namespace kestro {

// Fails with a message for people naming the file and the system's reason.
Result<Done, std::string> replaceFileAtomically(const std::filesystem::path& destination,
                                                std::string_view bytes);

}  // namespace kestro
