#pragma once
// Reading the pictures of a movie: open a file, learn what it holds, decode its video frames in
// presentation order, and seek exactly. Used by the exporter and by the player; one reader
// belongs to one thread at a time (it has no internal locking), though libavcodec may run its
// own decoding threads underneath.
//
// Times are seconds from the movie's first video frame (see streamOrigin), so a movie whose
// video starts late in its container still starts at 0 here.

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/media/picture_fit.hpp"
#include "core/result.hpp"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>

namespace kestro {

struct VideoStreamInfo {
    // The picture as decoded, its samples made square (sample_aspect.hpp): the reader's frames
    // have this size.
    int width = 0;
    int height = 0;
    int rotation = 0;  // clockwise degrees that turn the stored picture upright: 0, 90, 180, 270
    int uprightWidth = 0;  // the picture as shown, after that rotation
    int uprightHeight = 0;
    double averageFrameRate = 0;  // frames per second; 0 when the container does not say
    double duration = 0;          // seconds of video claimed by the container; 0 when unknown
    AVRational timeBase{1, 1};    // of the frames' pts
    // Of the stored samples; 1:1 unless the shown size above differs from the stored one.
    AVRational sampleAspect{1, 1};
};

struct MovieInfo {
    double duration = 0;  // seconds from the first video frame to the end of the longest stream
    VideoStreamInfo video;
    bool hasAudio = false;
    // False only from probeMovie, for a file without pictures (then `video` stays empty); a
    // reader always has video.
    bool hasVideo = false;
};

// What the video stream of an opened movie is, after checking that its claimed picture size is
// one we can decode; the probe and the reader share it so a file that passes one opens in the
// other. `path` only names the file in the error.
Result<VideoStreamInfo, MediaError> describeVideoStream(const AVStream& stream,
                                                        const std::filesystem::path& path);

struct DecodedFrame {
    AVFramePtr frame;
    int64_t pts = 0;  // in VideoStreamInfo::timeBase, relative to the movie's origin
    double time = 0;  // the same in seconds
};

// The clockwise rotation a stream asks for: its display matrix, else its "rotate" tag, rounded
// to a quarter turn.
int streamRotation(const AVStream& stream);

class VideoReader {
public:
    struct Options {
        int threads = 0;  // decoding threads; 0 lets libavcodec choose
    };

    // A missing file, a file that is not a movie, a movie without video (AVERROR_STREAM_NOT_FOUND)
    // or with an absurd picture size (AVERROR_INVALIDDATA) gives an error with FFmpeg's text.
    static Result<std::unique_ptr<VideoReader>, MediaError> open(const std::filesystem::path& path,
                                                                 Options options);
    static Result<std::unique_ptr<VideoReader>, MediaError> open(
        const std::filesystem::path& path) {
        return open(path, Options{});
    }

    ~VideoReader();
    VideoReader(const VideoReader&) = delete;
    VideoReader& operator=(const VideoReader&) = delete;

    const MovieInfo& info() const { return info_; }

    // The next frame in presentation order; none at the end of the video. Damaged packets are
    // skipped (the decoder conceals what it can); a read error of the file is an error. Every
    // frame has the stream's size (info().video): one whose picture changed size part-way is
    // fitted into it (see PictureFit).
    Result<std::optional<DecodedFrame>, MediaError> next();

    // Continue from the keyframe at or before `seconds`: frames before the target come out too,
    // which is what a caller that picks frames by time wants (it decodes forward anyway). The
    // first picture after the seek is checked to be at or before the target (else the reader
    // steps back), so this holds also in containers whose own seek overshoots.
    Result<Done, MediaError> seekKeyframe(double seconds);

    // After this, next() returns the latest frame at or before `seconds` (the first frame when
    // the target lies before it, the last when it lies beyond the end), then its successors.
    Result<Done, MediaError> seekExact(double seconds);

    // True when the file ended well before the video the container announced (see
    // statedVideoLength): a cut-off download or an interrupted recording. Meaningful once next()
    // has returned none.
    bool endedEarly() const { return endedEarly_; }

    // Packets the decoder rejected as damaged since opening.
    int damagedPackets() const { return damagedPackets_; }

    // For a player falling behind its clock: while on, the decoder skips the pictures no other
    // picture refers to (they are never handed out) and the deblocking filter, roughly halving
    // the work at a small cost in sharpness. Takes effect from the next packet.
    void setFastDecoding(bool on);

    // The latest keyframe shown at or before `seconds` according to the container's index, in
    // the same seconds as frame times; none when the container keeps no index (then only
    // decoding tells). Some indexes (MP4's) hold decoding times, which run a few pictures ahead
    // of presentation times when the stream reorders pictures, so the time returned may be that
    // much earlier than the keyframe's picture: it is never later. seekKeyframe(seconds) goes on
    // from this keyframe (or, when the index misleads, from an earlier one).
    std::optional<double> keyframeAtOrBefore(double seconds) const;

private:
    VideoReader() = default;
    Result<std::optional<DecodedFrame>, MediaError> decodeNext();
    // The container's own backward seek to `seconds`, unchecked.
    Result<Done, MediaError> seekTo(double seconds);
    void resetAfterSeek();
    // Back to the first byte of the file, for demuxers that can go there (all but those that
    // read by index, whose time seeks are exact anyway). False when this one cannot.
    bool rewindToStart();

    // How far before the target the first corrective seek aims; each further one doubles it.
    static constexpr double kSeekStepBack = 1.0;

    AVInputFormatContextPtr format_;
    AVCodecContextPtr decoder_;
    AVPacketPtr packet_;
    int stream_ = -1;
    int64_t origin_ = 0;
    MovieInfo info_;
    std::deque<DecodedFrame> pending_;  // decoded but not yet handed out
    bool demuxerDone_ = false;
    bool decoderDone_ = false;
    bool endedEarly_ = false;
    int64_t lastPacketEnd_ = 0;           // relative to origin, in the stream time base
    std::optional<double> statedLength_;  // statedVideoLength()
    int64_t lastPts_ = AV_NOPTS_VALUE;
    // How far a picture's presentation time has run ahead of its decoding time in the packets
    // read so far, in the stream time base: how much earlier than its picture an index may list
    // a keyframe.
    int64_t reorderLag_ = 0;
    int damagedPackets_ = 0;
    PictureFit fit_;
};

}  // namespace kestro
