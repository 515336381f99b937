#pragma once
// A movie container being written: the encoders of its streams and the muxer they feed. Frames
// go in, and every packet the encoder hands back is written, interleaved by time. One thread
// uses a Muxer (the exporter's encode thread).

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

#include <memory>
#include <string>
#include <vector>

namespace kestro {

class Muxer {
public:
    enum class Container {
        mp4,  // MPEG-4 with the index up front (+faststart), for playing while downloading
        mov,  // QuickTime
    };

    // Writes through `io` (not owned). `url` names the same file for libav to reopen it (the
    // +faststart pass reads the file back).
    static Result<std::unique_ptr<Muxer>, MediaError> create(Container container, AVIOContext* io,
                                                             const std::string& url);
    ~Muxer();

    // Encoders must be opened with AV_CODEC_FLAG_GLOBAL_HEADER when this says so.
    bool needsGlobalHeader() const;

    // Takes the opened encoder; returns the stream's index.
    Result<int, MediaError> addStream(AVCodecContextPtr encoder);
    AVCodecContext& encoder(int stream) { return *streams_[stream].encoder; }

    Result<Done, MediaError> writeHeader();
    // Encodes `frame` (pts in the encoder's time base) on the stream; null flushes it.
    Result<Done, MediaError> encode(int stream, const AVFrame* frame);
    // Flushes every encoder not yet flushed and writes the trailer (index, +faststart move).
    Result<Done, MediaError> finish();

private:
    Muxer() = default;
    Result<Done, MediaError> drain(int stream);

    struct Stream {
        AVCodecContextPtr encoder;
        AVStream* stream = nullptr;
        bool flushed = false;
    };
    AVOutputFormatContextPtr format_;
    Container container_ = Container::mp4;
    std::vector<Stream> streams_;
    AVPacketPtr packet_;
};

}  // namespace kestro
