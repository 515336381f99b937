#pragma once
// What a movie file is, as a store's reviewer would measure it: container, codec, profile and
// level, size, rate, length, bit rate, sound, file size, and whether its pictures decode.
// Read from the file itself (the bit rate is counted from the packets, not taken from a header
// that any tool may fill in as it likes), so it describes movies made by any program.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "core/result.hpp"

namespace kestro {

struct AudioFacts {
    std::string codec;  // FFmpeg's codec name: "aac", "opus", ...
    int channels = 0;
    int sampleRate = 0;
};

struct MovieFacts {
    // "mp4", "mov", "webm", "matroska", "gif", else the demuxer's own name.
    std::string container;
    std::string videoCodec;  // FFmpeg's codec name: "h264", "prores", "vp9", "gif", ...
    std::string profile;     // "High", "4444", ...; empty when the codec has none
    int level = 0;           // H.264's level times ten (40 is 4.0); 0 when unknown
    int width = 0;           // the picture as shown, rotation applied
    int height = 0;
    double frameRate = 0;           // average frames per second; 0 when unknown
    double duration = 0;            // seconds, the longest stream
    std::int64_t videoBitRate = 0;  // bit/s over the video's length, from its packets
    bool alpha = false;             // the pictures carry transparency
    // A picture decoded, and the pictures run to the length the video states (a file cut off
    // part way keeps the header it was written with).
    bool decodable = false;
    // When the pictures stop early or cannot be read on, where and why, for people: "pictures
    // stop at 1.60 s of the stated 16.00 s". Empty otherwise.
    std::string picturesStop;
    std::optional<AudioFacts> audio;
    std::uintmax_t fileBytes = 0;
};

// Fails, with a message for people, for a missing or unreadable file, a file FFmpeg cannot read
// as a movie, a still picture, or a movie without pictures.
Result<MovieFacts, std::string> readMovieFacts(const std::filesystem::path& path);

}  // namespace kestro
