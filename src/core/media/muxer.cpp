#include "core/media/muxer.hpp"

#include "core/media/av_error.hpp"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstdint>
#include <utility>

namespace kestro {

Muxer::~Muxer() {
    // libavformat's GIF muxer holds the last picture back until the trailer and frees it only
    // there; a GIF stopped part way gets its trailer anyway, into the file that is thrown away,
    // so that picture is not leaked. (The other muxers free what they hold on their own.)
    if (format_ && headerWritten_ && !trailerWritten_ && container_ == Container::gif)
        av_write_trailer(format_.get());
}

Result<std::unique_ptr<Muxer>, MediaError> Muxer::create(Container container, AVIOContext* io,
                                                         const std::string& url) {
    std::unique_ptr<Muxer> muxer(new Muxer());
    muxer->container_ = container;
    AVFormatContext* raw = nullptr;
    const char* name = "mp4";
    switch (container) {
        case Container::mp4:
            name = "mp4";
            break;
        case Container::mov:
            name = "mov";
            break;
        case Container::webm:
            name = "webm";
            break;
        case Container::gif:
            name = "gif";
            break;
    }
    const int ret = avformat_alloc_output_context2(&raw, nullptr, name, nullptr);
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

Result<int, MediaError> Muxer::addStream(AVCodecContextPtr encoder,
                                         std::unique_ptr<FilterGraph> filter) {
    SwrContextPtr interleave;
    if (encoder->codec_type == AVMEDIA_TYPE_AUDIO && encoder->sample_fmt != AV_SAMPLE_FMT_FLTP) {
        SwrContext* raw = nullptr;
        int ret = swr_alloc_set_opts2(&raw, &encoder->ch_layout, encoder->sample_fmt,
                                      encoder->sample_rate, &encoder->ch_layout, AV_SAMPLE_FMT_FLTP,
                                      encoder->sample_rate, 0, nullptr);
        interleave.reset(raw);
        if (ret >= 0) ret = swr_init(raw);
        if (ret < 0) return fail(mediaError(ret, "Cannot prepare the sound"));
    }
    AVStream* st = avformat_new_stream(format_.get(), nullptr);
    if (!st) return fail(mediaError(AVERROR(ENOMEM)));
    const int ret = avcodec_parameters_from_context(st->codecpar, encoder.get());
    if (ret < 0) return fail(mediaError(ret, "Cannot add a stream to the movie"));
    st->time_base = encoder->time_base;
    if (encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
        st->avg_frame_rate = encoder->framerate;
        st->r_frame_rate = encoder->framerate;
        // Browsers decode a WebM's alpha only when the track says it has one.
        if (container_ == Container::webm && encoder->pix_fmt == AV_PIX_FMT_YUVA420P)
            av_dict_set(&st->metadata, "alpha_mode", "1", 0);
    }
    Stream stream;
    stream.encoder = std::move(encoder);
    stream.stream = st;
    stream.filter = std::move(filter);
    stream.interleave = std::move(interleave);
    streams_.push_back(std::move(stream));
    return static_cast<int>(streams_.size() - 1);
}

Result<Done, MediaError> Muxer::writeHeader() {
    AVDictionary* options = nullptr;
    if (container_ == Container::mp4) av_dict_set(&options, "movflags", "+faststart", 0);
    if (container_ == Container::gif) av_dict_set(&options, "loop", "0", 0);  // forever
    int ret = avformat_write_header(format_.get(), &options);
    AVDictionaryPtr left(options);
    if (ret < 0) return fail(mediaError(ret, "Cannot write the movie header"));
    headerWritten_ = true;
    return Done{};
}

Result<Done, MediaError> Muxer::write(AVPacket& packet) {
    const int ret = av_interleaved_write_frame(format_.get(), &packet);
    av_packet_unref(&packet);
    if (ret < 0) return fail(mediaError(ret, "Cannot write the movie"));
    return Done{};
}

// A player reading an MP4 with reordered pictures (B-frames) takes the movie's length from its
// samples: each lasts until the next is decoded, the last one its packet's duration, and the
// decoding times start before 0 by the encoder's reordering delay. At a constant rate this adds
// up to the time the pictures are on screen. With variable timing it need not: when the last
// pictures shown sit across a long wait, the last one decoded comes early and the samples end
// before the pictures do, so FFmpeg 7 and later (and the players built on it) cut the movie
// short. The last packet is therefore held back, and at the end it is decoded as late as the
// reordering delay allows and lasts until the last picture has been shown: the samples then add
// up to the movie's length, and no picture is said to be shown past it.
Result<Done, MediaError> Muxer::hold(Stream& s) {
    if (s.firstDts == AV_NOPTS_VALUE) s.firstDts = packet_->dts;
    if (packet_->pts != AV_NOPTS_VALUE) {
        // Encoders that leave the duration out (libx264 before FFmpeg 6) show each picture for
        // one of their ticks.
        const std::int64_t duration =
            packet_->duration > 0 ? packet_->duration
                                  : av_rescale_q(1, s.encoder->time_base, s.stream->time_base);
        const std::int64_t end = packet_->pts + duration;
        if (s.shownUntil == AV_NOPTS_VALUE || end > s.shownUntil) s.shownUntil = end;
    }
    if (s.held) {
        auto written = write(*s.held);
        if (!written) return written;
    } else if (!(s.held = makePacket())) {
        return fail(mediaError(AVERROR(ENOMEM)));
    }
    av_packet_move_ref(s.held.get(), packet_.get());
    return Done{};
}

Result<Done, MediaError> Muxer::writeHeld(Stream& s) {
    if (!s.held || !s.held->data) return Done{};
    AVPacket& last = *s.held;
    if (last.pts != AV_NOPTS_VALUE && last.dts != AV_NOPTS_VALUE &&
        s.firstDts != AV_NOPTS_VALUE && s.shownUntil > last.pts) {
        const std::int64_t dts = last.pts + std::min<std::int64_t>(s.firstDts, 0);
        if (dts > last.dts) {
            last.dts = dts;
            last.duration = s.shownUntil - last.pts;
        }
    }
    return write(last);
}

Result<Done, MediaError> Muxer::drain(int index) {
    Stream& s = streams_[index];
    const bool holdsLast = (container_ == Container::mp4 || container_ == Container::mov) &&
                           s.encoder->codec_type == AVMEDIA_TYPE_VIDEO;
    for (;;) {
        int ret = avcodec_receive_packet(s.encoder.get(), packet_.get());
        if (ret == AVERROR_EOF) return holdsLast ? writeHeld(s) : Done{};
        if (ret == AVERROR(EAGAIN)) return Done{};
        if (ret < 0) return fail(mediaError(ret, "Cannot encode the movie"));
        packet_->stream_index = s.stream->index;
        av_packet_rescale_ts(packet_.get(), s.encoder->time_base, s.stream->time_base);
        auto written = holdsLast ? hold(s) : write(*packet_);
        if (!written) return written;
    }
}

Result<Done, MediaError> Muxer::send(int index, const AVFrame* frame) {
    Stream& s = streams_[index];
    int ret = avcodec_send_frame(s.encoder.get(), frame);
    if (ret < 0 && ret != AVERROR_EOF) return fail(mediaError(ret, "Cannot encode the movie"));
    return drain(index);
}

Result<Done, MediaError> Muxer::filterAndSend(int index, const AVFrame* frame) {
    FilterGraph& filter = *streams_[index].filter;
    auto pushed = filter.push(frame);
    if (!pushed) return pushed;
    for (;;) {
        auto out = filter.pull();
        if (!out) return fail(out.error());
        if (!*out) break;
        auto sent = send(index, out->get());
        if (!sent) return sent;
        if (!frame && onFlushedPicture_ && *onFlushedPicture_ && !(*onFlushedPicture_)())
            return fail(mediaError(AVERROR_EXIT, "Stopped while finishing the movie"));
    }
    return frame ? Done{} : send(index, nullptr);
}

Result<Done, MediaError> Muxer::convertAndSend(int index, const AVFrame* frame) {
    Stream& s = streams_[index];
    if (!frame) return send(index, nullptr);
    // Same rate and channels: only the sample layout changes, so nothing is held back.
    if (!s.converted && !(s.converted = makeFrame())) return fail(mediaError(AVERROR(ENOMEM)));
    av_frame_unref(s.converted.get());
    s.converted->format = s.encoder->sample_fmt;
    s.converted->sample_rate = frame->sample_rate;
    int ret = av_channel_layout_copy(&s.converted->ch_layout, &frame->ch_layout);
    if (ret >= 0) ret = swr_convert_frame(s.interleave.get(), s.converted.get(), frame);
    if (ret < 0) return fail(mediaError(ret, "Cannot prepare the sound"));
    s.converted->pts = frame->pts;
    return send(index, s.converted.get());
}

Result<Done, MediaError> Muxer::encode(int index, const AVFrame* frame) {
    Stream& s = streams_[index];
    if (s.flushed) return Done{};
    if (!frame) s.flushed = true;
    if (s.filter) return filterAndSend(index, frame);
    if (s.interleave) return convertAndSend(index, frame);
    return send(index, frame);
}

Result<Done, MediaError> Muxer::finish(const std::function<bool()>& onFlushedPicture) {
    onFlushedPicture_ = &onFlushedPicture;
    for (int i = 0; i < static_cast<int>(streams_.size()); ++i) {
        auto flushed = encode(i, nullptr);
        if (!flushed) {
            onFlushedPicture_ = nullptr;
            return flushed;
        }
    }
    onFlushedPicture_ = nullptr;
    trailerWritten_ = true;
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
