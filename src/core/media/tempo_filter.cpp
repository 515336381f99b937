#include "core/media/tempo_filter.hpp"

#include "core/media/audio_reader.hpp"
#include "core/media/av_error.hpp"
#include "core/media/filter_link.hpp"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestro {

namespace {

std::string stage(double factor) {
    char text[48];
    std::snprintf(text, sizeof text, "atempo=%.9g", factor);
    return text;
}

MediaError setupFailure(int ret) {
    return mediaError(ret, "Cannot set up the sound's speed change");
}

}  // namespace

std::string tempoChain(double factor) {
    std::string chain;
    auto add = [&chain](double f) { chain += (chain.empty() ? "" : ",") + stage(f); };
    while (factor > 2) {
        add(2);
        factor /= 2;
    }
    while (factor < 0.5) {
        add(0.5);
        factor /= 0.5;
    }
    add(factor);
    return chain;
}

Result<std::unique_ptr<TempoFilter>, MediaError> TempoFilter::create(double factor) {
    if (!(factor > 0)) return fail(setupFailure(AVERROR(EINVAL)));
    std::unique_ptr<TempoFilter> f(new TempoFilter());
    f->graph_.reset(avfilter_graph_alloc());
    f->frame_ = makeFrame();
    if (!f->graph_ || !f->frame_) return fail(mediaError(AVERROR(ENOMEM)));
    AVFilterGraph* graph = f->graph_.get();
    graph->nb_threads = 1;

    const std::string args = "time_base=1/" + std::to_string(AudioReader::kSampleRate) +
                             ":sample_rate=" + std::to_string(AudioReader::kSampleRate) +
                             ":sample_fmt=fltp:channel_layout=stereo";
    int ret = avfilter_graph_create_filter(&f->source_, avfilter_get_by_name("abuffer"), "in",
                                           args.c_str(), nullptr, graph);
    if (ret < 0) return fail(setupFailure(ret));
    ret = avfilter_graph_create_filter(&f->sink_, avfilter_get_by_name("abuffersink"), "out",
                                       nullptr, nullptr, graph);
    if (ret < 0) return fail(setupFailure(ret));

    // The last step pins the format the sink hands out, whatever atempo would prefer.
    const std::string description = tempoChain(factor) + ",aformat=sample_fmts=fltp:sample_rates=" +
                                    std::to_string(AudioReader::kSampleRate) +
                                    ":channel_layouts=stereo";
    ret = linkAndConfigure(graph, f->source_, f->sink_, description);
    if (ret < 0) return fail(setupFailure(ret));
    return f;
}

Result<Done, MediaError> TempoFilter::push(const float* left, const float* right, int count) {
    if (count <= 0) return Done{};
    AVFrame* frame = frame_.get();
    av_frame_unref(frame);
    frame->format = AV_SAMPLE_FMT_FLTP;
    frame->sample_rate = AudioReader::kSampleRate;
    frame->nb_samples = count;
    frame->pts = pushed_;
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (av_channel_layout_copy(&frame->ch_layout, &stereo) < 0 ||
        av_frame_get_buffer(frame, 0) < 0) {
        return fail(mediaError(AVERROR(ENOMEM)));
    }
    std::memcpy(frame->extended_data[0], left, sizeof(float) * static_cast<size_t>(count));
    std::memcpy(frame->extended_data[1], right, sizeof(float) * static_cast<size_t>(count));
    // The source takes the frame's buffers over and leaves the frame blank.
    const int ret = av_buffersrc_add_frame(source_, frame);
    if (ret < 0) return fail(mediaError(ret, "Cannot change the sound's speed"));
    pushed_ += count;
    return Done{};
}

Result<Done, MediaError> TempoFilter::finish() {
    const int ret = av_buffersrc_add_frame(source_, nullptr);
    if (ret < 0) return fail(mediaError(ret, "Cannot change the sound's speed"));
    return Done{};
}

Result<Done, MediaError> TempoFilter::pull(std::vector<float>& left, std::vector<float>& right) {
    AVFrame* frame = frame_.get();
    for (;;) {
        av_frame_unref(frame);
        const int ret = av_buffersink_get_frame(sink_, frame);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return Done{};
        if (ret < 0) return fail(mediaError(ret, "Cannot change the sound's speed"));
        const auto* l = reinterpret_cast<const float*>(frame->extended_data[0]);
        const auto* r = reinterpret_cast<const float*>(frame->extended_data[1]);
        left.insert(left.end(), l, l + frame->nb_samples);
        right.insert(right.end(), r, r + frame->nb_samples);
    }
}

}  // namespace kestro
