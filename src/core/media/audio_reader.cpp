#include "core/media/audio_reader.hpp"

#include "core/media/av_error.hpp"
#include "core/media/media_input.hpp"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace kestro {

namespace {
// Decoding starts this much before a seek target: an AAC frame needs its predecessor to come
// out clean, and these samples are dropped anyway.
constexpr double kSeekPreroll = 0.1;
// Timeline jumps smaller than this are jitter in the timestamps, not gaps.
constexpr double kGapTolerance = 480;  // 10 ms
}  // namespace

AudioReader::~AudioReader() {
    av_channel_layout_uninit(&inLayout_);
}

Result<std::unique_ptr<AudioReader>, MediaError> AudioReader::open(
    const std::filesystem::path& path) {
    auto format = openMediaInput(path);
    if (!format) return fail(format.error());
    std::unique_ptr<AudioReader> reader(new AudioReader());
    reader->format_ = std::move(*format);
    AVFormatContext& fmt = *reader->format_;
    reader->stream_ = findAudioStream(fmt);
    if (reader->stream_ < 0) {
        return fail(
            mediaFailure(path.filename().string() + " has no sound", AVERROR_STREAM_NOT_FOUND));
    }
    for (unsigned i = 0; i < fmt.nb_streams; ++i) {
        if (static_cast<int>(i) != reader->stream_) fmt.streams[i]->discard = AVDISCARD_ALL;
    }
    AVStream& st = *fmt.streams[reader->stream_];
    const int video = findVideoStream(fmt);
    const AVStream& clock = video >= 0 ? *fmt.streams[video] : st;
    reader->originSeconds_ = static_cast<double>(streamOrigin(clock)) * av_q2d(clock.time_base);

    auto decoder = openDecoder(st, 1);
    if (!decoder) return fail(decoder.error());
    reader->decoder_ = std::move(*decoder);
    reader->packet_ = makePacket();
    reader->frame_ = makeFrame();
    reader->fifo_.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, kSampleRate / 10));
    if (!reader->packet_ || !reader->frame_ || !reader->fifo_)
        return fail(mediaError(AVERROR(ENOMEM)));
    return reader;
}

Result<Done, MediaError> AudioReader::seek(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    const AVStream& st = *format_->streams[stream_];
    const double from = std::max(0.0, seconds - kSeekPreroll) + originSeconds_;
    const int64_t target = static_cast<int64_t>(std::floor(from / av_q2d(st.time_base)));
    if (seconds > 0 || started_) {
        int ret = av_seek_frame(format_.get(), stream_, target, AVSEEK_FLAG_BACKWARD);
        if (ret < 0) ret = avformat_seek_file(format_.get(), stream_, INT64_MIN, target, target, 0);
        if (ret < 0) return fail(mediaError(ret, "Cannot seek in the sound"));
        avcodec_flush_buffers(decoder_.get());
    }
    swr_.reset();
    inFormat_ = -1;
    av_audio_fifo_reset(fifo_.get());
    started_ = false;
    demuxerDone_ = false;
    decoderDone_ = false;
    resamplerDrained_ = false;
    readPos_ = std::llround(seconds * kSampleRate);
    return Done{};
}

Result<Done, MediaError> AudioReader::configureResampler(const AVFrame& frame) {
    SwrContext* raw = nullptr;
    AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
    // A layout that gives only a channel count (plain WAV, for one) is mixed down as the usual
    // layout of that many channels.
    AVChannelLayout in{};
    int ret = 0;
    if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in, frame.ch_layout.nb_channels);
    else
        ret = av_channel_layout_copy(&in, &frame.ch_layout);
    if (ret >= 0) {
        ret = swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_FLTP, kSampleRate, &in,
                                  static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0,
                                  nullptr);
    }
    av_channel_layout_uninit(&in);
    SwrContextPtr swr(raw);
    if (ret >= 0) ret = swr_init(swr.get());
    // Remembered as the frames give it, so the next frame compares equal and keeps this context.
    if (ret >= 0) {
        av_channel_layout_uninit(&inLayout_);
        ret = av_channel_layout_copy(&inLayout_, &frame.ch_layout);
    }
    if (ret < 0) {
        inFormat_ = -1;  // whatever comes next sets the resampler up afresh
        return fail(mediaError(ret, "Cannot convert the sound"));
    }
    swr_ = std::move(swr);
    inRate_ = frame.sample_rate;
    inFormat_ = frame.format;
    resamplerDrained_ = false;
    return Done{};
}

std::array<uint8_t*, 2> AudioReader::outputPlanes(int samples) {
    const auto size = static_cast<size_t>(samples);
    if (outLeft_.size() < size) {
        outLeft_.resize(size);
        outRight_.resize(size);
    }
    return {reinterpret_cast<uint8_t*>(outLeft_.data()),
            reinterpret_cast<uint8_t*>(outRight_.data())};
}

Result<Done, MediaError> AudioReader::drainResampler() {
    if (!swr_ || resamplerDrained_) return Done{};
    resamplerDrained_ = true;
    for (;;) {
        const int room = std::max(swr_get_out_samples(swr_.get(), 0), 0);
        if (room == 0) return Done{};
        std::array<uint8_t*, 2> planes = outputPlanes(room);
        const int got = swr_convert(swr_.get(), planes.data(), room, nullptr, 0);
        if (got < 0) return fail(mediaError(got, "Cannot convert the sound"));
        if (got == 0) return Done{};
        void* data[2] = {planes[0], planes[1]};
        if (av_audio_fifo_write(fifo_.get(), data, got) < got)
            return fail(mediaError(AVERROR(ENOMEM)));
    }
}

Result<Done, MediaError> AudioReader::feed(const AVFrame* frame, int skipInput) {
    const int count = frame->nb_samples - skipInput;
    if (count <= 0) return Done{};
    const auto fmt = static_cast<AVSampleFormat>(frame->format);
    const int channels = frame->ch_layout.nb_channels;
    const int bytes = av_get_bytes_per_sample(fmt);
    // One pointer per plane: planar sound has one per channel, beyond the frame's inline eight.
    const int planes = av_sample_fmt_is_planar(fmt) ? channels : 1;
    const ptrdiff_t skipBytes =
        static_cast<ptrdiff_t>(skipInput) * bytes * (planes == 1 ? channels : 1);
    if (inPlanes_.size() < static_cast<size_t>(planes)) inPlanes_.resize(static_cast<size_t>(planes));
    for (int p = 0; p < planes; ++p) inPlanes_[p] = frame->extended_data[p] + skipBytes;
    const int room = std::max(swr_get_out_samples(swr_.get(), count), 1);
    std::array<uint8_t*, 2> out = outputPlanes(room);
    const int got = swr_convert(swr_.get(), out.data(), room, inPlanes_.data(), count);
    if (got < 0) return fail(mediaError(got, "Cannot convert the sound"));
    void* data[2] = {out[0], out[1]};
    if (got > 0 && av_audio_fifo_write(fifo_.get(), data, got) < got) {
        return fail(mediaError(AVERROR(ENOMEM)));
    }
    fedEnd_ += static_cast<double>(count) * kSampleRate / inRate_;
    return Done{};
}

Result<Done, MediaError> AudioReader::feedSilence(int64_t outputSamples) {
    // Fed through the resampler (not straight into the fifo) so it lands after the samples the
    // resampler still holds.
    const int64_t inputSamples = outputSamples * inRate_ / kSampleRate;
    const auto fmt = static_cast<AVSampleFormat>(inFormat_);
    const int channels = inLayout_.nb_channels;
    constexpr int kChunk = 4096;
    AVFramePtr silence = makeFrame();
    if (!silence) return fail(mediaError(AVERROR(ENOMEM)));
    silence->format = fmt;
    silence->sample_rate = inRate_;
    silence->nb_samples = kChunk;
    if (av_channel_layout_copy(&silence->ch_layout, &inLayout_) < 0 ||
        av_frame_get_buffer(silence.get(), 0) < 0) {
        return fail(mediaError(AVERROR(ENOMEM)));
    }
    av_samples_set_silence(silence->extended_data, 0, kChunk, channels, fmt);
    for (int64_t left = inputSamples; left > 0; left -= kChunk) {
        silence->nb_samples = static_cast<int>(std::min<int64_t>(left, kChunk));
        auto fed = feed(silence.get(), 0);
        if (!fed) return fed;
    }
    return Done{};
}

Result<Done, MediaError> AudioReader::decodeMore() {
    AVFrame* frame = frame_.get();
    const AVStream& st = *format_->streams[stream_];
    for (;;) {
        int ret = avcodec_receive_frame(decoder_.get(), frame);
        if (ret == 0) {
            if (frame->nb_samples <= 0 || frame->sample_rate <= 0 ||
                frame->ch_layout.nb_channels <= 0)
                continue;
            if (!swr_ || frame->format != inFormat_ || frame->sample_rate != inRate_ ||
                av_channel_layout_compare(&frame->ch_layout, &inLayout_) != 0) {
                auto drained = drainResampler();
                if (!drained) return drained;
                auto configured = configureResampler(*frame);
                if (!configured) return configured;
            }
            int64_t pts = frame->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE) pts = frame->pts;
            const double start =
                pts == AV_NOPTS_VALUE
                    ? fedEnd_
                    : (static_cast<double>(pts) * av_q2d(st.time_base) - originSeconds_) *
                          kSampleRate;
            int skip = 0;
            if (!started_) {
                started_ = true;
                fifoStart_ = std::llround(start);
                fedEnd_ = static_cast<double>(fifoStart_);
            } else if (start - fedEnd_ > kGapTolerance) {
                auto filled = feedSilence(std::llround(start - fedEnd_));
                if (!filled) return filled;
            } else if (fedEnd_ - start > kGapTolerance) {
                skip = static_cast<int>(
                    std::min<double>((fedEnd_ - start) * inRate_ / kSampleRate, frame->nb_samples));
            }
            return feed(frame, skip);
        }
        if (ret == AVERROR_EOF) {
            decoderDone_ = true;
            return drainResampler();
        }
        if (ret != AVERROR(EAGAIN)) {
            if (ret == AVERROR_INVALIDDATA) continue;
            return fail(mediaError(ret, "Cannot decode the sound"));
        }
        if (demuxerDone_) {
            ret = avcodec_send_packet(decoder_.get(), nullptr);
            if (ret < 0 && ret != AVERROR_EOF)
                return fail(mediaError(ret, "Cannot decode the sound"));
            continue;
        }
        ret = av_read_frame(format_.get(), packet_.get());
        if (ret == AVERROR_EOF || (ret < 0 && avio_feof(format_->pb))) {
            demuxerDone_ = true;
            continue;
        }
        if (ret < 0) return fail(mediaError(ret, "Cannot read the sound"));
        if (packet_->stream_index == stream_) {
            ret = avcodec_send_packet(decoder_.get(), packet_.get());
            if (ret < 0 && ret != AVERROR_INVALIDDATA && ret != AVERROR(EAGAIN)) {
                av_packet_unref(packet_.get());
                return fail(mediaError(ret, "Cannot decode the sound"));
            }
        }
        av_packet_unref(packet_.get());
    }
}

Result<int, MediaError> AudioReader::read(float* left, float* right, int count) {
    int out = 0;
    while (out < count) {
        if (!started_ && !decoderDone_) {
            auto more = decodeMore();
            if (!more) return fail(more.error());
            continue;
        }
        if (!started_) break;  // the stream holds no sample at all
        const int available = av_audio_fifo_size(fifo_.get());
        if (readPos_ < fifoStart_) {
            // The sound starts after the position asked for: silence until it does.
            const int n = static_cast<int>(std::min<int64_t>(count - out, fifoStart_ - readPos_));
            std::fill_n(left + out, n, 0.0f);
            std::fill_n(right + out, n, 0.0f);
            readPos_ += n;
            out += n;
            continue;
        }
        if (available > 0 && readPos_ > fifoStart_) {
            const int n = static_cast<int>(std::min<int64_t>(available, readPos_ - fifoStart_));
            av_audio_fifo_drain(fifo_.get(), n);
            fifoStart_ += n;
            continue;
        }
        if (available > 0) {
            const int n = std::min(available, count - out);
            void* planes[2] = {left + out, right + out};
            const int got = av_audio_fifo_read(fifo_.get(), planes, n);
            if (got <= 0) return fail(mediaError(AVERROR_BUG, "Cannot read the sound buffer"));
            fifoStart_ += got;
            readPos_ += got;
            out += got;
            continue;
        }
        if (decoderDone_) break;
        auto more = decodeMore();
        if (!more) return fail(more.error());
    }
    return out;
}

}  // namespace kestro
