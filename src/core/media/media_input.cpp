#include "core/media/media_input.hpp"

#include "core/media/av_error.hpp"
#include "core/media/unfinished_movie.hpp"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestro {

namespace {

struct MemoryBytes {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// The registered memory movies, by path. Guarded by memoryMoviesMutex().
std::map<std::filesystem::path, MemoryBytes>& memoryMovies() {
    static std::map<std::filesystem::path, MemoryBytes> movies;
    return movies;
}
std::mutex& memoryMoviesMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<MemoryBytes> findMemoryMovie(const std::filesystem::path& path) {
    std::lock_guard lock(memoryMoviesMutex());
    const auto found = memoryMovies().find(path);
    if (found == memoryMovies().end()) return std::nullopt;
    return found->second;
}

// One reader's position in a memory movie; owned by its AVIOContext (freed by the deleter of
// the format context that uses it).
struct MemoryCursor {
    MemoryBytes bytes;
    std::size_t position = 0;
};

int readMemory(void* opaque, std::uint8_t* out, int size) {
    auto* cursor = static_cast<MemoryCursor*>(opaque);
    const std::size_t left = cursor->bytes.size - cursor->position;
    if (left == 0) return AVERROR_EOF;
    const std::size_t n = std::min(left, static_cast<std::size_t>(std::max(size, 0)));
    std::memcpy(out, cursor->bytes.data + cursor->position, n);
    cursor->position += n;
    return static_cast<int>(n);
}

int64_t seekMemory(void* opaque, int64_t offset, int whence) {
    auto* cursor = static_cast<MemoryCursor*>(opaque);
    const auto size = static_cast<int64_t>(cursor->bytes.size);
    if (whence & AVSEEK_SIZE) return size;
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = static_cast<int64_t>(cursor->position);
            break;
        case SEEK_END:
            base = size;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (offset > size || offset < -size) return AVERROR(EINVAL);
    const int64_t target = base + offset;
    if (target < 0 || target > size) return AVERROR(EINVAL);
    cursor->position = static_cast<std::size_t>(target);
    return target;
}

constexpr int kMemoryIoBufferSize = 1 << 15;

// A format context reading `bytes` through its own AVIOContext, not opened yet.
Result<AVInputFormatContextPtr, MediaError> memoryFormatContext(MemoryBytes bytes,
                                                                const std::string& context) {
    AVInputFormatContextPtr format(avformat_alloc_context());
    if (!format) return fail(mediaError(AVERROR(ENOMEM), context));
    auto* cursor = static_cast<MemoryCursor*>(av_mallocz(sizeof(MemoryCursor)));
    auto* buffer = static_cast<unsigned char*>(av_malloc(kMemoryIoBufferSize));
    AVIOContext* io = (cursor && buffer)
                          ? avio_alloc_context(buffer, kMemoryIoBufferSize, 0, cursor, readMemory,
                                               nullptr, seekMemory)
                          : nullptr;
    if (!io) {
        av_free(cursor);
        av_free(buffer);
        return fail(mediaError(AVERROR(ENOMEM), context));
    }
    cursor->bytes = bytes;
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    return format;
}

}  // namespace

void AVInputFormatContextDeleter::operator()(AVFormatContext* ctx) const {
    // A context on a memory movie owns its AVIOContext, the buffer and the cursor; libav frees
    // none of them for a custom one.
    AVIOContext* io = ctx && (ctx->flags & AVFMT_FLAG_CUSTOM_IO) ? ctx->pb : nullptr;
    avformat_close_input(&ctx);
    if (io) {
        av_freep(&io->opaque);
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
}

MemoryMovie::MemoryMovie(std::filesystem::path path, const std::uint8_t* data, std::size_t size)
    : path_(std::move(path)) {
    std::lock_guard lock(memoryMoviesMutex());
    memoryMovies()[path_] = MemoryBytes{data, size};
}

MemoryMovie::~MemoryMovie() {
    std::lock_guard lock(memoryMoviesMutex());
    memoryMovies().erase(path_);
}

Result<AVInputFormatContextPtr, MediaError> openMediaInput(const std::filesystem::path& path) {
    quietLibavLog();
    const std::string context = "Cannot open " + path.string();
    AVInputFormatContextPtr format;
    if (const auto memory = findMemoryMovie(path)) {
        auto made = memoryFormatContext(*memory, context);
        if (!made) return fail(made.error());
        format = std::move(*made);
    }
    std::error_code ec;
    if (!format && !std::filesystem::exists(path, ec))
        return fail(mediaError(AVERROR(ENOENT), context));
    if (!format && std::filesystem::is_directory(path, ec))
        return fail(mediaError(AVERROR(EISDIR), context));

    AVDictionary* rawOptions = nullptr;
    av_dict_set(&rawOptions, "protocol_whitelist", "file", 0);
    AVDictionaryPtr options(rawOptions);

    // "file:" keeps a name with a colon in it from being read as a protocol.
    const std::string url = "file:" + path.string();
    // On failure avformat_open_input frees the context but never a custom AVIOContext: that
    // stays with `format` (released only once the open succeeded).
    AVIOContext* customIo = format ? format->pb : nullptr;
    AVFormatContext* raw = format.release();
    rawOptions = options.release();
    int ret = avformat_open_input(&raw, url.c_str(), nullptr, &rawOptions);
    options.reset(rawOptions);
    if (ret < 0) {
        if (customIo) {
            av_freep(&customIo->opaque);
            av_freep(&customIo->buffer);
            avio_context_free(&customIo);
        } else if (ret == AVERROR_INVALIDDATA && isUnfinishedIsoMovie(path)) {
            return fail(mediaFailure(context + ": the movie was never finished (its index is "
                                               "missing, as when a recording is stopped before "
                                               "it is saved).",
                                     ret));
        }
        return fail(mediaError(ret, context));
    }
    format.reset(raw);

    ret = avformat_find_stream_info(format.get(), nullptr);
    if (ret < 0) return fail(mediaError(ret, "Cannot read the streams of " + path.string()));
    return format;
}

bool isStillPictureFile(const std::filesystem::path& path) {
    quietLibavLog();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    AVDictionary* rawOptions = nullptr;
    av_dict_set(&rawOptions, "protocol_whitelist", "file", 0);
    AVDictionaryPtr options(rawOptions);
    AVFormatContext* raw = nullptr;
    const std::string url = "file:" + path.string();
    rawOptions = options.release();
    const int ret = avformat_open_input(&raw, url.c_str(), nullptr, &rawOptions);
    options.reset(rawOptions);
    if (ret < 0) return false;
    const AVInputFormatContextPtr format(raw);
    // The picture demuxers: "image2" for named sequences, "<codec>_pipe" for single pictures.
    const std::string_view name = format->iformat ? format->iformat->name : "";
    return name == "image2" || name == "image2pipe" || name.ends_with("_pipe");
}

int findVideoStream(const AVFormatContext& format) {
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVStream* st = format.streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int findAudioStream(const AVFormatContext& format) {
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        if (format.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int64_t streamOrigin(const AVStream& stream) {
    return stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
}

int64_t oneFrameTicks(const AVStream& stream) {
    const AVRational rate =
        stream.r_frame_rate.num > 0 ? stream.r_frame_rate : stream.avg_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) return 0;
    return std::max<int64_t>(1, av_rescale_q(1, av_inv_q(rate), stream.time_base));
}

LastPicture lastPictureEnd(AVFormatContext& format, int videoStream) {
    AVStream* st = format.streams[videoStream];
    const int entries = avformat_index_get_entries_count(st);
    LastPicture result;
    const int64_t oneFrame = oneFrameTicks(*st);
    AVPacketPtr packet = makePacket();
    if (!packet) return result;
    std::vector<AVDiscard> discards;
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        discards.push_back(format.streams[i]->discard);
        if (static_cast<int>(i) != videoStream) format.streams[i]->discard = AVDISCARD_ALL;
    }
    // The keyframes from the last on, a few at most: an entry that leads to no packet is tried
    // no further.
    int64_t end = AV_NOPTS_VALUE;
    int tried = 0;
    for (int i = entries - 1; i >= 0 && end == AV_NOPTS_VALUE && tried < 3; --i) {
        const AVIndexEntry* entry = avformat_index_get_entry(st, i);
        if (!entry || !(entry->flags & AVINDEX_KEYFRAME)) continue;
        ++tried;
        if (av_seek_frame(&format, videoStream, entry->timestamp, AVSEEK_FLAG_BACKWARD) < 0) {
            continue;
        }
        result.moved = true;
        while (av_read_frame(&format, packet.get()) >= 0) {
            const AVPacket& p = *packet;
            if (p.stream_index == videoStream && p.pts != AV_NOPTS_VALUE) {
                const int64_t last = p.pts + (p.duration > 0 ? p.duration : oneFrame);
                end = end == AV_NOPTS_VALUE ? last : std::max(end, last);
            }
            av_packet_unref(packet.get());
        }
    }
    for (unsigned i = 0; i < format.nb_streams; ++i) format.streams[i]->discard = discards[i];
    if (end != AV_NOPTS_VALUE)
        result.end = static_cast<double>(end - streamOrigin(*st)) * av_q2d(st->time_base);
    return result;
}

double movieDuration(const AVFormatContext& format, int videoStream) {
    double videoStart = 0;
    if (videoStream >= 0) {
        const AVStream* st = format.streams[videoStream];
        videoStart = static_cast<double>(streamOrigin(*st)) * av_q2d(st->time_base);
    }
    double end = 0;
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVStream* st = format.streams[i];
        if (st->duration == AV_NOPTS_VALUE || st->duration <= 0) continue;
        const double tb = av_q2d(st->time_base);
        end = std::max(end, static_cast<double>(streamOrigin(*st) + st->duration) * tb);
    }
    // A stream's duration may be only the sum of its decoding steps, which in an MP4 with
    // reordered pictures and an edit list (as Android's encoders write them) can end seconds
    // before the last picture; the movie's own duration honours the edit list. Headers round
    // it up to whole milliseconds, which must not add a frame: it counts only beyond that.
    if (format.duration != AV_NOPTS_VALUE && format.duration > 0) {
        // FLV states where its timeline ends (its times count from 0), which libavformat passes
        // on as a length: from a first picture shown late (reordered pictures start it a frame
        // or two in) it would reach past the last one.
        const bool statesEnd = format.iformat && std::string_view(format.iformat->name) == "flv";
        const double start = format.start_time != AV_NOPTS_VALUE && !statesEnd
                                 ? static_cast<double>(format.start_time) / AV_TIME_BASE
                                 : 0;
        const double stated = start + static_cast<double>(format.duration) / AV_TIME_BASE;
        if (end <= 0 || stated > end + kHeaderRounding) end = std::max(end, stated);
    }
    return std::max(0.0, end - videoStart);
}

Result<AVCodecContextPtr, MediaError> openDecoder(const AVStream& stream, int threads) {
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!codec) {
        return fail(mediaFailure(
            std::string("No decoder for the codec ") + avcodec_get_name(stream.codecpar->codec_id),
            AVERROR_DECODER_NOT_FOUND));
    }
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) return fail(mediaError(AVERROR(ENOMEM)));
    int ret = avcodec_parameters_to_context(ctx.get(), stream.codecpar);
    if (ret < 0) return fail(mediaError(ret, "Cannot set up the decoder"));
    ctx->pkt_timebase = stream.time_base;
    ctx->thread_count = threads;
    ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    ret = avcodec_open2(ctx.get(), codec, nullptr);
    if (ret < 0)
        return fail(mediaError(ret, std::string("Cannot open the ") + codec->name + " decoder"));
    return ctx;
}

}  // namespace kestro
