#pragma once
// Joins movies recorded one after another (the pieces of a long phone recording) into one MP4
// without re-encoding: packets are copied, each piece's timestamps moved to start where the
// previous piece ended. Every piece must carry the same streams with the same codecs.
//
// The destination is written through OutputFile: an earlier file there survives any failure and
// no partial file is left behind. Synchronous; safe on any thread.

#include "core/media/media_error.hpp"
#include "core/result.hpp"

#include <filesystem>
#include <vector>

namespace kestro {

Result<Done, MediaError> joinMovies(const std::vector<std::filesystem::path>& pieces,
                                    const std::filesystem::path& destination);

}  // namespace kestro
