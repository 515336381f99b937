#pragma once
// Ownership of every libav object the core touches. Each type gets a deleter calling the
// matching libav free function, so no code path frees anything by hand and early returns
// cannot leak.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

namespace kestro {

// Also frees a custom AVIOContext (a movie read from memory, see media_input.hpp).
struct AVInputFormatContextDeleter {
    void operator()(AVFormatContext* ctx) const;
};
// An output context does not own its AVIOContext (ours is owned separately, see AVIOContextPtr).
struct AVOutputFormatContextDeleter {
    void operator()(AVFormatContext* ctx) const { avformat_free_context(ctx); }
};
struct AVCodecContextDeleter {
    void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
struct AVFrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct AVPacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct SwsContextDeleter {
    void operator()(SwsContext* ctx) const { sws_freeContext(ctx); }
};
struct SwrContextDeleter {
    void operator()(SwrContext* ctx) const { swr_free(&ctx); }
};
// A custom AVIOContext: its buffer was allocated with av_malloc and may have been replaced by
// libav, so the context's current buffer is the one to free.
struct AVIOContextDeleter {
    void operator()(AVIOContext* io) const {
        if (io) av_freep(&io->buffer);
        avio_context_free(&io);
    }
};
struct AVAudioFifoDeleter {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
struct AVDictionaryDeleter {
    void operator()(AVDictionary* dict) const { av_dict_free(&dict); }
};
struct AVMallocDeleter {
    void operator()(void* p) const { av_free(p); }
};

using AVInputFormatContextPtr = std::unique_ptr<AVFormatContext, AVInputFormatContextDeleter>;
using AVOutputFormatContextPtr = std::unique_ptr<AVFormatContext, AVOutputFormatContextDeleter>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, AVCodecContextDeleter>;
using AVFramePtr = std::unique_ptr<AVFrame, AVFrameDeleter>;
using AVPacketPtr = std::unique_ptr<AVPacket, AVPacketDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;
using AVIOContextPtr = std::unique_ptr<AVIOContext, AVIOContextDeleter>;
using AVAudioFifoPtr = std::unique_ptr<AVAudioFifo, AVAudioFifoDeleter>;
using AVDictionaryPtr = std::unique_ptr<AVDictionary, AVDictionaryDeleter>;
template <class T>
using AVMallocPtr = std::unique_ptr<T, AVMallocDeleter>;

// Allocation helpers; each gives null only when memory runs out.
inline AVFramePtr makeFrame() {
    return AVFramePtr(av_frame_alloc());
}
inline AVPacketPtr makePacket() {
    return AVPacketPtr(av_packet_alloc());
}

// A new reference to the same picture (no pixel copy); null when `src` holds no data.
inline AVFramePtr refFrame(const AVFrame& src) {
    AVFramePtr dst = makeFrame();
    if (!dst || av_frame_ref(dst.get(), &src) < 0) return nullptr;
    return dst;
}

}  // namespace kestro
