#include "core/media/stated_length.hpp"

#include "core/media/media_input.hpp"

extern "C" {
#include <libavutil/parseutils.h>
}

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string_view>

namespace kestro {

namespace {

constexpr std::uint32_t kEbmlHeaderId = 0x1A45DFA3;
constexpr std::uint32_t kSegmentId = 0x18538067;

// An EBML variable-length number read from `in`: its value and length (0 when it is not one).
// `unknown` is set when every value bit is one, which EBML reserves for "size unknown".
struct Vint {
    std::uint64_t value = 0;
    int length = 0;
    bool unknown = false;
};

Vint readVint(std::istream& in) {
    const int first = in.get();
    if (first == EOF || first == 0) return {};
    int length = 1;
    while (!(first & (0x80 >> (length - 1)))) ++length;
    Vint v;
    v.length = length;
    v.value = static_cast<std::uint64_t>(first & (0xFF >> length));
    bool allOnes = v.value == (0xFFu >> length);
    for (int i = 1; i < length; ++i) {
        const int byte = in.get();
        if (byte == EOF) return {};
        allOnes = allOnes && byte == 0xFF;
        v.value = (v.value << 8) | static_cast<std::uint64_t>(byte);
    }
    v.unknown = allOnes;
    return v;
}

// An element ID: kept with its length marker, as the format's tables write them.
std::uint32_t readId(std::istream& in) {
    const int first = in.get();
    if (first == EOF || first == 0 || first < 0x10) return 0;
    int length = 1;
    while (!(first & (0x80 >> (length - 1)))) ++length;
    std::uint32_t id = static_cast<std::uint32_t>(first);
    for (int i = 1; i < length; ++i) {
        const int byte = in.get();
        if (byte == EOF) return 0;
        id = (id << 8) | static_cast<std::uint32_t>(byte);
    }
    return id;
}

// True when the Matroska file at `path` ends before its segment does: only its first bytes are
// read. A segment written live, of unknown size, never counts.
bool endsBeforeItsSegment(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    const auto fileSize = static_cast<std::uint64_t>(std::streamoff(in.tellg()));
    in.seekg(0);
    if (readId(in) != kEbmlHeaderId) return false;
    const Vint header = readVint(in);
    if (header.length == 0 || header.unknown) return false;
    in.seekg(static_cast<std::streamoff>(header.value), std::ios::cur);
    if (readId(in) != kSegmentId) return false;
    const Vint segment = readVint(in);
    if (segment.length == 0 || segment.unknown || !in) return false;
    const auto start = static_cast<std::uint64_t>(std::streamoff(in.tellg()));
    return segment.value > fileSize - std::min(start, fileSize);
}

}  // namespace

std::optional<double> statedVideoLength(const AVFormatContext& format, int videoStream,
                                        const std::filesystem::path& path) {
    const AVStream& st = *format.streams[videoStream];
    const double tb = av_q2d(st.time_base);
    if (st.duration != AV_NOPTS_VALUE && st.duration > 0)
        return static_cast<double>(st.duration) * tb;
    const std::string_view demuxer = format.iformat ? format.iformat->name : "";
    if (!demuxer.starts_with("matroska")) return std::nullopt;
    const AVDictionaryEntry* tag = av_dict_get(st.metadata, "DURATION", nullptr, 0);
    int64_t micros = 0;
    if (!tag || av_parse_time(&micros, tag->value, 1) < 0 || micros <= 0) return std::nullopt;
    if (!endsBeforeItsSegment(path)) return std::nullopt;
    // The tag gives where the track ends on the file's clock.
    return static_cast<double>(micros) / 1e6 - static_cast<double>(streamOrigin(st)) * tb;
}

}  // namespace kestro
