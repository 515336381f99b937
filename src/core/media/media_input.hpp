#pragma once
// Opening a movie file for reading: the demuxer, with what every reader needs to know about it.
// Only local files are read: the protocol whitelist keeps a playlist-like file from making the
// demuxer reach out to the network or other files.

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace kestro {

// Largest picture a source may claim. Phone recordings are far below; a header claiming more is
// damaged or hostile, and decoding it would exhaust memory.
inline constexpr int kMaxVideoDimension = 16384;
inline constexpr long long kMaxVideoPixels = 40'000'000;

// Opens `path` and reads its stream information. Errors carry FFmpeg's message.
Result<AVInputFormatContextPtr, MediaError> openMediaInput(const std::filesystem::path& path);

// A movie held in memory that openMediaInput (so every reader and the exporter) opens under a
// made-up path, through a custom AVIOContext, as if it were a file: fuzzing feeds arbitrary bytes
// to the whole engine this way without touching the disk. Registered for as long as the object
// lives; the bytes must outlive it and every reader opened on it. Any thread may open it.
class MemoryMovie {
public:
    MemoryMovie(std::filesystem::path path, const std::uint8_t* data, std::size_t size);
    ~MemoryMovie();
    MemoryMovie(const MemoryMovie&) = delete;
    MemoryMovie& operator=(const MemoryMovie&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// True when `path` is read by one of FFmpeg's picture demuxers: a PNG, JPEG or other still
// picture, whatever its name says. Only the file's first bytes are read.
bool isStillPictureFile(const std::filesystem::path& path);

// The first real video stream (cover art in audio files is not video), or -1.
int findVideoStream(const AVFormatContext& format);
// The first audio stream, or -1.
int findAudioStream(const AVFormatContext& format);

// Seconds from the first video frame to the end of the movie as the container states it: the
// latest of the streams' ends and the container's own duration; 0 when unknown.
double movieDuration(const AVFormatContext& format, int videoStream);

// How much a container's stated duration may exceed its streams' from rounding alone.
inline constexpr double kHeaderRounding = 0.002;

// When the last picture of an indexed video stops showing, in seconds from its first frame: the
// latest presentation time plus that picture's duration (one frame of the stream's rate when
// the container leaves it out), read from the packets from the last keyframe on (or from an
// earlier one, when an index entry lies past the last packet, as FLV's may). A movie lasts at
// least this long whatever its header says. `end` is none for a stream without an index, whose
// last keyframe is unknown without reading the whole file; then the demuxer has not moved.
struct LastPicture {
    std::optional<double> end;
    bool moved = false;  // the demuxer was sent elsewhere: rewind before reading
};
LastPicture lastPictureEnd(AVFormatContext& format, int videoStream);

// The time (in the stream's time base) that counts as 0 for the whole movie: the start of its
// video stream, so that the first picture is at 0 and audio lines up with it.
int64_t streamOrigin(const AVStream& stream);

// One frame of the stream's rate, in its time base (at least 1); 0 when the stream states no
// rate. What a picture lasts when its container leaves the duration out.
int64_t oneFrameTicks(const AVStream& stream);

// A decoder for the stream, opened. `threads` 0 lets libavcodec pick.
Result<AVCodecContextPtr, MediaError> openDecoder(const AVStream& stream, int threads);

}  // namespace kestro
