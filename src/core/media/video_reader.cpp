#include "core/media/video_reader.hpp"

#include "core/media/av_error.hpp"
#include "core/media/ffmpeg_compat.hpp"
#include "core/media/media_input.hpp"
#include "core/media/picture_colour.hpp"
#include "core/media/sample_aspect.hpp"
#include "core/media/stated_length.hpp"

extern "C" {
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kestro {

int streamRotation(const AVStream& stream) {
    double clockwise = 0;
    size_t size = 0;
    const uint8_t* matrix = ffmpeg::streamSideData(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix && size >= 9 * sizeof(int32_t)) {
        // av_display_rotation_get gives the counter-clockwise angle of the matrix.
        const double angle = av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
        if (std::isfinite(angle)) clockwise = -angle;
    } else if (const AVDictionaryEntry* tag = av_dict_get(stream.metadata, "rotate", nullptr, 0)) {
        clockwise = std::strtod(tag->value, nullptr);
        if (!std::isfinite(clockwise)) clockwise = 0;
    }
    long quarter = std::lround(clockwise / 90.0) % 4;
    if (quarter < 0) quarter += 4;
    return static_cast<int>(quarter * 90);
}

VideoReader::~VideoReader() = default;

Result<VideoStreamInfo, MediaError> describeVideoStream(const AVStream& stream,
                                                        const std::filesystem::path& path) {
    const AVCodecParameters& par = *stream.codecpar;
    if (par.width <= 0 || par.height <= 0 || par.width > kMaxVideoDimension ||
        par.height > kMaxVideoDimension ||
        static_cast<long long>(par.width) * par.height > kMaxVideoPixels ||
        av_image_check_size(static_cast<unsigned>(par.width), static_cast<unsigned>(par.height), 0,
                            nullptr) < 0) {
        return fail(mediaFailure(
            "The video of " + path.filename().string() + " claims an unusable picture size of " +
                std::to_string(par.width) + "\xC3\x97" + std::to_string(par.height),
            AVERROR_INVALIDDATA));
    }
    VideoStreamInfo v;
    const AVRational sampleAspect = streamSampleAspect(stream);
    const ShownSize shown =
        shownSize(par.width, par.height, sampleAspect, kMaxVideoDimension, kMaxVideoPixels);
    v.width = shown.width;
    v.height = shown.height;
    if (shown.width != par.width || shown.height != par.height) v.sampleAspect = sampleAspect;
    v.rotation = streamRotation(stream);
    const bool quarter = v.rotation == 90 || v.rotation == 270;
    v.uprightWidth = quarter ? v.height : v.width;
    v.uprightHeight = quarter ? v.width : v.height;
    v.averageFrameRate = stream.avg_frame_rate.den > 0 && stream.avg_frame_rate.num > 0
                             ? av_q2d(stream.avg_frame_rate)
                             : 0;
    v.timeBase = stream.time_base;
    v.duration = stream.duration != AV_NOPTS_VALUE && stream.duration > 0
                     ? static_cast<double>(stream.duration) * av_q2d(stream.time_base)
                     : 0;
    return v;
}

Result<std::unique_ptr<VideoReader>, MediaError> VideoReader::open(
    const std::filesystem::path& path, Options options) {
    auto format = openMediaInput(path);
    if (!format) return fail(format.error());

    std::unique_ptr<VideoReader> reader(new VideoReader());
    reader->format_ = std::move(*format);
    AVFormatContext& fmt = *reader->format_;
    reader->stream_ = findVideoStream(fmt);
    if (reader->stream_ < 0) {
        return fail(mediaFailure(path.filename().string() + " has no video track",
                                 AVERROR_STREAM_NOT_FOUND));
    }
    AVStream& st = *fmt.streams[reader->stream_];
    auto video = describeVideoStream(st, path);
    if (!video) return fail(video.error());
    // Everything but the video is skipped by the demuxer itself.
    for (unsigned i = 0; i < fmt.nb_streams; ++i) {
        if (static_cast<int>(i) != reader->stream_) fmt.streams[i]->discard = AVDISCARD_ALL;
    }

    auto decoder = openDecoder(st, options.threads);
    if (!decoder) return fail(decoder.error());
    reader->decoder_ = std::move(*decoder);
    reader->packet_ = makePacket();
    if (!reader->packet_) return fail(mediaError(AVERROR(ENOMEM)));
    reader->origin_ = streamOrigin(st);
    reader->statedLength_ = statedVideoLength(fmt, reader->stream_, path);

    MovieInfo& info = reader->info_;
    info.duration = movieDuration(fmt, reader->stream_);
    const LastPicture last = lastPictureEnd(fmt, reader->stream_);
    if (last.end) {
        // The header's duration is rounded up to whole milliseconds: a hair past the last
        // picture's end is that rounding, not time to hold it for (it would add a tick).
        info.duration = info.duration > *last.end + kHeaderRounding ? info.duration : *last.end;
    }
    if (last.moved) {
        // Indexed containers seek exactly: back to the first picture.
        auto rewound = reader->seekTo(0);
        if (!rewound) return fail(rewound.error());
    }
    info.hasAudio = findAudioStream(fmt) >= 0;
    info.video = *video;
    info.hasVideo = true;
    return reader;
}

Result<std::optional<DecodedFrame>, MediaError> VideoReader::next() {
    if (!pending_.empty()) {
        DecodedFrame frame = std::move(pending_.front());
        pending_.pop_front();
        return std::optional<DecodedFrame>(std::move(frame));
    }
    return decodeNext();
}

Result<std::optional<DecodedFrame>, MediaError> VideoReader::decodeNext() {
    AVCodecContext* dec = decoder_.get();
    AVStream& st = *format_->streams[stream_];
    // One frame serves every attempt: avcodec_receive_frame leaves it blank when it has nothing.
    AVFramePtr frame = makeFrame();
    if (!frame) return fail(mediaError(AVERROR(ENOMEM)));
    for (;;) {
        int ret = avcodec_receive_frame(dec, frame.get());
        if (ret == 0) {
            keepKnownColourTags(*frame);
            int64_t pts = frame->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE) pts = frame->pts;
            // A frame without any time (the last of an AVI with reordered pictures) comes one
            // frame of the stream's rate after the one before it.
            if (pts == AV_NOPTS_VALUE) {
                const int64_t step = std::max<int64_t>(1, oneFrameTicks(st));
                pts = lastPts_ == AV_NOPTS_VALUE ? 0 : lastPts_ + step;
            } else {
                pts -= origin_;
            }
            lastPts_ = pts;
            auto fitted = fit_.fit(std::move(frame), info_.video.width, info_.video.height,
                                       info_.video.sampleAspect);
            if (!fitted) return fail(std::move(fitted.error()));
            DecodedFrame out;
            out.pts = pts;
            out.time = static_cast<double>(pts) * av_q2d(st.time_base);
            out.frame = std::move(*fitted);
            return std::optional<DecodedFrame>(std::move(out));
        }
        if (ret == AVERROR_EOF) {
            decoderDone_ = true;
            return std::optional<DecodedFrame>();
        }
        if (ret != AVERROR(EAGAIN)) {
            if (ret == AVERROR_INVALIDDATA) {
                ++damagedPackets_;
                continue;
            }
            return fail(mediaError(ret, "Cannot decode the video"));
        }
        if (decoderDone_) return std::optional<DecodedFrame>();
        if (demuxerDone_) {
            // Drain what the decoder still holds.
            ret = avcodec_send_packet(dec, nullptr);
            if (ret < 0 && ret != AVERROR_EOF)
                return fail(mediaError(ret, "Cannot decode the video"));
            continue;
        }

        ret = av_read_frame(format_.get(), packet_.get());
        if (ret == AVERROR_EOF || (ret < 0 && avio_feof(format_->pb))) {
            demuxerDone_ = true;
            if (statedLength_) {
                const double end = static_cast<double>(lastPacketEnd_) * av_q2d(st.time_base);
                endedEarly_ = *statedLength_ - end > kCutOffSeconds;
            }
            continue;
        }
        if (ret < 0) return fail(mediaError(ret, "Cannot read the movie"));
        if (packet_->stream_index != stream_) {
            av_packet_unref(packet_.get());
            continue;
        }
        // AVI gives decoding times only.
        const int64_t stamp = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
        if (packet_->pts != AV_NOPTS_VALUE && packet_->dts != AV_NOPTS_VALUE)
            reorderLag_ = std::max(reorderLag_, packet_->pts - packet_->dts);
        if (stamp != AV_NOPTS_VALUE) {
            const int64_t end = stamp - origin_ + std::max<int64_t>(packet_->duration, 0);
            lastPacketEnd_ = std::max(lastPacketEnd_, end);
        }
        ret = avcodec_send_packet(dec, packet_.get());
        av_packet_unref(packet_.get());
        if (ret == AVERROR_INVALIDDATA) {
            ++damagedPackets_;
        } else if (ret < 0 && ret != AVERROR(EAGAIN)) {
            return fail(mediaError(ret, "Cannot decode the video"));
        }
    }
}

void VideoReader::setFastDecoding(bool on) {
    decoder_->skip_frame = on ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
    decoder_->skip_loop_filter = on ? AVDISCARD_ALL : AVDISCARD_DEFAULT;
}

std::optional<double> VideoReader::keyframeAtOrBefore(double seconds) const {
    AVStream* st = format_->streams[stream_];
    if (avformat_index_get_entries_count(st) <= 0) return std::nullopt;
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    // A keyframe listed at its decoding time is shown up to the reorder lag later.
    const int64_t target = origin_ - reorderLag_ +
                           static_cast<int64_t>(std::floor(seconds / av_q2d(st->time_base) + 1e-6));
    const int index = av_index_search_timestamp(st, target, AVSEEK_FLAG_BACKWARD);
    if (index < 0) return std::nullopt;
    const AVIndexEntry* entry = avformat_index_get_entry(st, index);
    if (!entry) return std::nullopt;
    return static_cast<double>(entry->timestamp - origin_) * av_q2d(st->time_base);
}

void VideoReader::resetAfterSeek() {
    avcodec_flush_buffers(decoder_.get());
    pending_.clear();
    demuxerDone_ = false;
    decoderDone_ = false;
    endedEarly_ = false;
    lastPts_ = AV_NOPTS_VALUE;
}

Result<Done, MediaError> VideoReader::seekTo(double seconds) {
    const AVStream& st = *format_->streams[stream_];
    const int64_t target =
        origin_ + static_cast<int64_t>(std::floor(seconds / av_q2d(st.time_base)));
    int ret = av_seek_frame(format_.get(), stream_, target, AVSEEK_FLAG_BACKWARD);
    if (ret < 0) {
        // Before the first keyframe some demuxers find nothing "at or before": take the start.
        ret = avformat_seek_file(format_.get(), stream_, INT64_MIN, origin_, target, 0);
    }
    if (ret < 0) return fail(mediaError(ret, "Cannot seek in the movie"));
    resetAfterSeek();
    return Done{};
}

Result<Done, MediaError> VideoReader::seekKeyframe(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    // A backward seek is only a request: demuxers without an index (MPEG-TS among them) search
    // by timestamps and may land on the keyframe after the target, or past the last one at the
    // end of the file. The first picture decoded from there tells; while it lies after the
    // target, aim further back, twice as far each time, down to the start of the movie. The
    // first aim allows for an index of decoding times (see keyframeAtOrBefore): the keyframe
    // listed at the target may be shown after it.
    const AVStream& st = *format_->streams[stream_];
    double back = static_cast<double>(reorderLag_) * av_q2d(st.time_base);
    for (;;) {
        const double aim = std::max(0.0, seconds - back);
        auto landed = seekTo(aim);
        if (!landed) return fail(landed.error());
        auto first = decodeNext();
        if (!first) return fail(first.error());
        const bool reached = *first && (*first)->time <= seconds + 1e-9;
        if (reached) {
            pending_.push_back(std::move(**first));
            return Done{};
        }
        if (aim <= 0) {
            // Even a seek to the start landed late: some MPEG-TS files (the ffmpeg tool's
            // own, whose times start at 1.4 s) send every backward seek to a later keyframe.
            // Reading from the first byte of the file on is the start for certain.
            if (rewindToStart()) return Done{};
            // Nothing earlier exists: the target lies before the first picture.
            if (*first) pending_.push_back(std::move(**first));
            return Done{};
        }
        back = back >= kSeekStepBack ? back * 2 : kSeekStepBack;
    }
}

bool VideoReader::rewindToStart() {
    if (format_->iformat->flags & AVFMT_NO_BYTE_SEEK) return false;
    if (av_seek_frame(format_.get(), -1, 0, AVSEEK_FLAG_BYTE) < 0) return false;
    resetAfterSeek();
    return true;
}

Result<Done, MediaError> VideoReader::seekExact(double seconds) {
    auto seeked = seekKeyframe(seconds);
    if (!seeked) return fail(seeked.error());
    std::optional<DecodedFrame> held;
    for (;;) {
        // next(): the seek may already hold the first picture.
        auto frame = next();
        if (!frame) return fail(frame.error());
        if (!*frame) break;
        if ((*frame)->time <= seconds + 1e-9 || !held) {
            const bool after = (*frame)->time > seconds + 1e-9;
            held = std::move(**frame);
            if (after) break;  // the target lies before the first frame
            continue;
        }
        pending_.push_back(std::move(**frame));
        break;
    }
    if (held) pending_.push_front(std::move(*held));
    return Done{};
}

}  // namespace kestro
