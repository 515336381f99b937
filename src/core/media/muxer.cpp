#include "core/media/muxer.hpp"

#include "core/media/av_error.hpp"

extern "C" {
#include <libavutil/opt.h>
}

namespace kestro {

Muxer::~Muxer() = default;

Result<std::unique_ptr<Muxer>, MediaError> Muxer::create(Container container, AVIOContext* io,
                                                         const std::string& url) {
    std::unique_ptr<Muxer> muxer(new Muxer());
    muxer->container_ = container;
    AVFormatContext* raw = nullptr;
    const int ret = avformat_alloc_output_context2(
        &raw, nullptr, container == Container::mp4 ? "mp4" : "mov", nullptr);
    if (ret < 0 || !raw)
        return fail(mediaError(ret < 0 ? ret : AVERROR(ENOMEM), "Cannot create the movie"));
    muxer->format_.reset(raw);
    raw->pb = io;
    raw->flags |= AVFMT_FLAG_CUSTOM_IO;
    raw->url = av_strdup(url.c_str());
    muxer->packet_ = makePacket();
    if (!raw->url || !muxer->packet_) return fail(mediaError(AVERROR(ENOMEM)));
    return muxer;
}

bool Muxer::needsGlobalHeader() const {
    return (format_->oformat->flags & AVFMT_GLOBALHEADER) != 0;
}

Result<int, MediaError> Muxer::addStream(AVCodecContextPtr encoder) {
    AVStream* st = avformat_new_stream(format_.get(), nullptr);
    if (!st) return fail(mediaError(AVERROR(ENOMEM)));
    const int ret = avcodec_parameters_from_context(st->codecpar, encoder.get());
    if (ret < 0) return fail(mediaError(ret, "Cannot add a stream to the movie"));
    st->time_base = encoder->time_base;
    if (encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
        st->avg_frame_rate = encoder->framerate;
        st->r_frame_rate = encoder->framerate;
    }
    streams_.push_back(Stream{std::move(encoder), st, false});
    return static_cast<int>(streams_.size() - 1);
}

Result<Done, MediaError> Muxer::writeHeader() {
    AVDictionary* options = nullptr;
    if (container_ == Container::mp4) av_dict_set(&options, "movflags", "+faststart", 0);
    int ret = avformat_write_header(format_.get(), &options);
    AVDictionaryPtr left(options);
    if (ret < 0) return fail(mediaError(ret, "Cannot write the movie header"));
    return Done{};
}

Result<Done, MediaError> Muxer::drain(int index) {
    Stream& s = streams_[index];
    for (;;) {
        int ret = avcodec_receive_packet(s.encoder.get(), packet_.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return Done{};
        if (ret < 0) return fail(mediaError(ret, "Cannot encode the movie"));
        packet_->stream_index = s.stream->index;
        av_packet_rescale_ts(packet_.get(), s.encoder->time_base, s.stream->time_base);
        ret = av_interleaved_write_frame(format_.get(), packet_.get());
        av_packet_unref(packet_.get());
        if (ret < 0) return fail(mediaError(ret, "Cannot write the movie"));
    }
}

Result<Done, MediaError> Muxer::encode(int index, const AVFrame* frame) {
    Stream& s = streams_[index];
    if (s.flushed) return Done{};
    if (!frame) s.flushed = true;
    int ret = avcodec_send_frame(s.encoder.get(), frame);
    if (ret < 0 && ret != AVERROR_EOF) return fail(mediaError(ret, "Cannot encode the movie"));
    return drain(index);
}

Result<Done, MediaError> Muxer::finish() {
    for (int i = 0; i < static_cast<int>(streams_.size()); ++i) {
        auto flushed = encode(i, nullptr);
        if (!flushed) return flushed;
    }
    const int ret = av_write_trailer(format_.get());
    if (ret < 0) return fail(mediaError(ret, "Cannot finish the movie"));
    if (format_->pb) {
        avio_flush(format_->pb);
        if (format_->pb->error < 0)
            return fail(mediaError(format_->pb->error, "Cannot write the movie"));
    }
    return Done{};
}

}  // namespace kestro
