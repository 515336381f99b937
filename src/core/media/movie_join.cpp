#include "core/media/movie_join.hpp"

#include "core/media/av_error.hpp"
#include "core/media/av_ptr.hpp"
#include "core/media/output_file.hpp"

#include <algorithm>
#include <cstdint>
#include <string>

namespace kestro {

namespace {

// libav's AV_TIME_BASE_Q is a C compound literal, which C++ does not have.
constexpr AVRational kMicroseconds{1, AV_TIME_BASE};

Result<AVInputFormatContextPtr, MediaError> openPiece(const std::filesystem::path& path) {
    AVFormatContext* raw = nullptr;
    if (int err = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); err < 0)
        return fail(mediaError(err, "Cannot open " + path.string()));
    AVInputFormatContextPtr input(raw);
    if (int err = avformat_find_stream_info(input.get(), nullptr); err < 0)
        return fail(mediaError(err, "Cannot read " + path.string()));
    return input;
}

bool sameStreams(const AVFormatContext& a, const AVFormatContext& b) {
    if (a.nb_streams != b.nb_streams) return false;
    for (unsigned i = 0; i < a.nb_streams; ++i) {
        const AVCodecParameters& pa = *a.streams[i]->codecpar;
        const AVCodecParameters& pb = *b.streams[i]->codecpar;
        if (pa.codec_type != pb.codec_type || pa.codec_id != pb.codec_id) return false;
        if (pa.width != pb.width || pa.height != pb.height) return false;
    }
    return true;
}

}  // namespace

Result<Done, MediaError> joinMovies(const std::vector<std::filesystem::path>& pieces,
                                    const std::filesystem::path& destination) {
    quietLibavLog();
    if (pieces.empty()) return fail(mediaFailure("There is nothing to join."));

    std::vector<AVInputFormatContextPtr> inputs;
    for (const auto& piece : pieces) {
        auto input = openPiece(piece);
        if (!input) return fail(input.error());
        if (!inputs.empty() && !sameStreams(*inputs.front(), **input))
            return fail(mediaFailure("The recorded pieces do not share one format: " +
                                     piece.string() + " differs from the first."));
        inputs.push_back(std::move(*input));
    }

    auto file = OutputFile::create(destination);
    if (!file) return fail(mediaFailure(file.error().message, AVERROR(file.error().errnum)));

    AVFormatContext* rawOutput = nullptr;
    if (int err = avformat_alloc_output_context2(&rawOutput, nullptr, "mp4", nullptr); err < 0)
        return fail(mediaError(err, "Cannot create the joined movie"));
    AVOutputFormatContextPtr output(rawOutput);
    output->pb = (*file)->io();
    output->flags |= AVFMT_FLAG_CUSTOM_IO;

    const AVFormatContext& first = *inputs.front();
    for (unsigned i = 0; i < first.nb_streams; ++i) {
        AVStream* stream = avformat_new_stream(output.get(), nullptr);
        if (stream == nullptr) return fail(mediaFailure("Out of memory", AVERROR(ENOMEM)));
        if (int err = avcodec_parameters_copy(stream->codecpar, first.streams[i]->codecpar);
            err < 0)
            return fail(mediaError(err, "Cannot copy the recorded stream"));
        stream->codecpar->codec_tag = 0;
        stream->time_base = first.streams[i]->time_base;
    }
    if (int err = avformat_write_header(output.get(), nullptr); err < 0)
        return fail(mediaError(err, "Cannot write the joined movie"));

    const unsigned streamCount = first.nb_streams;
    // Where the next piece starts, in microseconds, and the last decoding time written per
    // stream (in the output stream's time base), which must keep rising across the joins.
    int64_t offset = 0;
    std::vector<int64_t> lastDts(streamCount, INT64_MIN);
    AVPacketPtr packet(av_packet_alloc());
    if (!packet) return fail(mediaFailure("Out of memory", AVERROR(ENOMEM)));

    for (size_t p = 0; p < inputs.size(); ++p) {
        AVFormatContext& input = *inputs[p];
        const int64_t start = input.start_time == AV_NOPTS_VALUE ? 0 : input.start_time;
        int64_t end = offset;
        for (;;) {
            const int err = av_read_frame(&input, packet.get());
            if (err == AVERROR_EOF) break;
            if (err < 0) return fail(mediaError(err, "Cannot read " + pieces[p].string()));
            const unsigned index = static_cast<unsigned>(packet->stream_index);
            if (index >= streamCount) {
                av_packet_unref(packet.get());
                continue;
            }
            const AVRational inBase = input.streams[index]->time_base;
            const AVRational outBase = output->streams[index]->time_base;
            const int64_t shift = av_rescale_q(offset - start, kMicroseconds, inBase);
            if (packet->pts != AV_NOPTS_VALUE) packet->pts += shift;
            if (packet->dts != AV_NOPTS_VALUE) packet->dts += shift;
            av_packet_rescale_ts(packet.get(), inBase, outBase);
            if (packet->dts != AV_NOPTS_VALUE) {
                if (lastDts[index] != INT64_MIN && packet->dts <= lastDts[index]) {
                    packet->dts = lastDts[index] + 1;
                    if (packet->pts != AV_NOPTS_VALUE && packet->pts < packet->dts)
                        packet->pts = packet->dts;
                }
                lastDts[index] = packet->dts;
            }
            const int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (time != AV_NOPTS_VALUE)
                end = std::max(end, av_rescale_q(time + packet->duration, outBase, kMicroseconds));
            packet->stream_index = static_cast<int>(index);
            packet->pos = -1;
            if (int werr = av_interleaved_write_frame(output.get(), packet.get()); werr < 0)
                return fail(mediaError(werr, "Cannot write the joined movie"));
        }
        offset = end;
    }
    if (int err = av_write_trailer(output.get()); err < 0)
        return fail(mediaError(err, "Cannot finish the joined movie"));
    if (auto committed = (*file)->commit(); !committed)
        return fail(mediaFailure(committed.error().message, AVERROR(committed.error().errnum)));
    return Done{};
}

}  // namespace kestro
