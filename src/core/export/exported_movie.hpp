#pragma once
// What a finished export hands back: the file it wrote and what the user should know about it
// even though it succeeded (the recording's sound could not be read, so the movie is silent).

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace kestro {

struct ExportedMovie {
    // Implicit, so an engine that only knows the path (a test's scripted one) still gives a
    // result.
    ExportedMovie(std::filesystem::path written) : path(std::move(written)) {}  // NOLINT

    std::filesystem::path path;
    // Whole sentences, in the order they arose; empty when all went as asked.
    std::vector<std::string> warnings;
};

// The warning for a recording whose sound could not be read; `cause` is FFmpeg's account.
inline std::string soundLostWarning(const std::string& cause) {
    return "The recording's sound could not be read (" + cause +
           "); the video was exported without sound.";
}

}  // namespace kestro
