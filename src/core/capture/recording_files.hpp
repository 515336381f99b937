#pragma once
// The files around a recording, shared by the recorders: getting the destination ready, waiting
// for a tool to finish writing, and names for the pieces of a recording.

#include <chrono>
#include <filesystem>
#include <string>

namespace kestro {

// A regular file holding at least one byte: a tool has begun writing a movie there.
bool hasData(const std::filesystem::path& path);

// Polls up to `checks` times, `interval` apart, for hasData(path). Returns whether it came.
bool waitForData(const std::filesystem::path& path, int checks, std::chrono::milliseconds interval);

// Creates the destination's folder and removes a file already at the destination (never a
// folder). Both are best effort: where they matter, writing the recording fails later.
void prepareDestination(const std::filesystem::path& output);

// "20250131-140509" for the local time now: tells the recordings of one device apart.
std::string recordingStamp();

}  // namespace kestro
