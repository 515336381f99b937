#pragma once
// A movie container being written: the encoders of its streams and the muxer they feed. Frames
// go in, and every packet the encoder hands back is written, interleaved by time. One thread
// uses a Muxer (the exporter's encode thread).

#include "core/media/av_ptr.hpp"
#include "core/media/filter_graph.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestro {

class Muxer {
public:
    enum class Container {
        mp4,   // MPEG-4 with the index up front (+faststart), for playing while downloading
        mov,   // QuickTime
        webm,  // WebM (Matroska); a VP9 stream with alpha is tagged so browsers show it
        gif,   // animated GIF, looping forever
    };

    // Writes through `io` (not owned; it must outlive the Muxer). `url` names the same file for
    // libav to reopen it (the +faststart pass reads the file back).
    static Result<std::unique_ptr<Muxer>, MediaError> create(Container container, AVIOContext* io,
                                                             const std::string& url);
    ~Muxer();

    // Encoders must be opened with AV_CODEC_FLAG_GLOBAL_HEADER when this says so.
    bool needsGlobalHeader() const;

    // Takes the opened encoder; returns the stream's index. `filter`, when given, turns the
    // pictures handed to encode() into what the encoder takes (it must output the encoder's
    // pixel format). Sound always comes in as planar float (what the exporter makes) and is
    // interleaved here for encoders that want it so.
    Result<int, MediaError> addStream(AVCodecContextPtr encoder,
                                      std::unique_ptr<FilterGraph> filter = nullptr);
    AVCodecContext& encoder(int stream) { return *streams_[stream].encoder; }

    Result<Done, MediaError> writeHeader();
    // Encodes `frame` (pts in the encoder's time base) on the stream; null flushes it.
    Result<Done, MediaError> encode(int stream, const AVFrame* frame);
    // Flushes every encoder not yet flushed and writes the trailer (index, +faststart move).
    // A filter may hold every picture to the end (a GIF's palette is made from all of them),
    // so flushing can be most of the work: `onFlushedPicture`, when given, is called after each
    // picture a filter hands over while flushing, and returning false stops there with
    // AVERROR_EXIT.
    Result<Done, MediaError> finish(const std::function<bool()>& onFlushedPicture = {});

private:
    Muxer() = default;
    Result<Done, MediaError> drain(int stream);
    Result<Done, MediaError> send(int stream, const AVFrame* frame);
    Result<Done, MediaError> filterAndSend(int stream, const AVFrame* frame);
    Result<Done, MediaError> convertAndSend(int stream, const AVFrame* frame);

    struct Stream {
        AVCodecContextPtr encoder;
        AVStream* stream = nullptr;
        bool flushed = false;
        std::unique_ptr<FilterGraph> filter;  // pictures, before the encoder
        SwrContextPtr interleave;             // sound, when the encoder's layout differs
        AVFramePtr converted;
        // MP4 and MOV pictures: the latest packet, held until the next one comes; the first
        // decoding time, and where the pictures so far end on screen (stream time base).
        AVPacketPtr held;
        std::int64_t firstDts = AV_NOPTS_VALUE;
        std::int64_t shownUntil = AV_NOPTS_VALUE;
    };
    Result<Done, MediaError> write(AVPacket& packet);
    Result<Done, MediaError> hold(Stream& stream);
    Result<Done, MediaError> writeHeld(Stream& stream);
    AVOutputFormatContextPtr format_;
    Container container_ = Container::mp4;
    std::vector<Stream> streams_;
    AVPacketPtr packet_;
    const std::function<bool()>* onFlushedPicture_ = nullptr;  // during finish() only
    bool headerWritten_ = false;
    bool trailerWritten_ = false;
};

}  // namespace kestro
