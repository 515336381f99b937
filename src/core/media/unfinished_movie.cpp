#include "core/media/unfinished_movie.hpp"

#include <array>
#include <cstdint>
#include <fstream>
#include <string_view>

namespace kestro {

namespace {

std::uint64_t bigEndian(const unsigned char* bytes, int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
    return value;
}

}  // namespace

bool isUnfinishedIsoMovie(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const auto end = static_cast<std::uint64_t>(std::streamoff(in.tellg()));
    in.seekg(0);
    std::uint64_t at = 0;
    bool media = false;
    // A real file has a handful of top-level boxes; the bound only stops a crafted one early.
    for (int box = 0; box < 4096 && at + 8 <= end; ++box) {
        std::array<unsigned char, 16> header{};
        in.seekg(static_cast<std::streamoff>(at));
        if (!in.read(reinterpret_cast<char*>(header.data()), 8)) return false;
        const std::string_view type(reinterpret_cast<const char*>(header.data() + 4), 4);
        if (box == 0 && type != "ftyp" && type != "wide" && type != "free" && type != "skip" &&
            type != "mdat") {
            return false;
        }
        if (type == "moov") return false;
        if (type == "mdat") media = true;
        std::uint64_t size = bigEndian(header.data(), 4);
        std::uint64_t headerSize = 8;
        if (size == 1) {
            if (!in.read(reinterpret_cast<char*>(header.data() + 8), 8)) break;
            size = bigEndian(header.data() + 8, 8);
            headerSize = 16;
        }
        // Size 0 runs to the end of the file; a recorder stopped early often leaves it so.
        if (size == 0) break;
        if (size < headerSize) return false;
        if (size > end - at) break;  // cut off inside this box
        at += size;
    }
    return media;
}

}  // namespace kestro
