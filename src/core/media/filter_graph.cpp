#include "core/media/filter_graph.hpp"

#include "core/media/av_error.hpp"
#include "core/media/filter_link.hpp"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <string>

namespace kestro {

namespace {

// The one picture format the sink hands out, set before the sink is initialised. Newer
// libavfilter has the `pixel_formats` list, and libavfilter 11 removed the older binary
// `pix_fmts` (and later libavutil av_opt_set_int_list). Which option the library has is
// asked at run time, so a build works with any library its headers allow.
int setSinkFormat(AVFilterContext* sink, AVPixelFormat format) {
    if (av_opt_find(sink, "pixel_formats", nullptr, 0, AV_OPT_SEARCH_CHILDREN) != nullptr) {
        const char* name = av_get_pix_fmt_name(format);
        if (name == nullptr) return AVERROR(EINVAL);
        return av_opt_set(sink, "pixel_formats", name, AV_OPT_SEARCH_CHILDREN);
    }
#ifdef av_opt_set_int_list
    const AVPixelFormat formats[] = {format, AV_PIX_FMT_NONE};
    return av_opt_set_int_list(sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
#else
    return AVERROR_OPTION_NOT_FOUND;
#endif
}

}  // namespace

Result<std::unique_ptr<FilterGraph>, MediaError> FilterGraph::create(const Input& input,
                                                                     const std::string& description,
                                                                     AVPixelFormat output) {
    std::unique_ptr<FilterGraph> g(new FilterGraph());
    g->graph_.reset(avfilter_graph_alloc());
    if (!g->graph_) return fail(mediaError(AVERROR(ENOMEM)));
    AVFilterGraph* graph = g->graph_.get();
    // By default filters run on the calling thread alone: the exporter's encoder already keeps
    // every core busy.
    graph->nb_threads = input.threads;

    const std::string args = "video_size=" + std::to_string(input.width) + "x" +
                             std::to_string(input.height) +
                             ":pix_fmt=" + std::to_string(static_cast<int>(input.format)) +
                             ":time_base=" + std::to_string(input.timeBase.num) + "/" +
                             std::to_string(input.timeBase.den) + ":pixel_aspect=1/1";
    int ret = avfilter_graph_create_filter(&g->source_, avfilter_get_by_name("buffer"), "in",
                                           args.c_str(), nullptr, graph);
    if (ret < 0) return fail(mediaError(ret, "Cannot set up the picture filters"));
    g->sink_ = avfilter_graph_alloc_filter(graph, avfilter_get_by_name("buffersink"), "out");
    if (!g->sink_) return fail(mediaError(AVERROR(ENOMEM)));
    ret = setSinkFormat(g->sink_, output);
    if (ret < 0) return fail(mediaError(ret, "Cannot set up the picture filters"));
    ret = avfilter_init_str(g->sink_, nullptr);
    if (ret < 0) return fail(mediaError(ret, "Cannot set up the picture filters"));

    ret = linkAndConfigure(graph, g->source_, g->sink_, description);
    if (ret < 0) return fail(mediaError(ret, "Cannot set up the picture filters"));
    return g;
}

Result<Done, MediaError> FilterGraph::push(const AVFrame* frame) {
    // The source takes its own reference; the caller's picture is released once converted.
    const int ret = av_buffersrc_add_frame_flags(source_, const_cast<AVFrame*>(frame),
                                                 AV_BUFFERSRC_FLAG_KEEP_REF);
    if (ret < 0) return fail(mediaError(ret, "Cannot filter the pictures"));
    return Done{};
}

Result<AVFramePtr, MediaError> FilterGraph::pull() {
    AVFramePtr frame = makeFrame();
    if (!frame) return fail(mediaError(AVERROR(ENOMEM)));
    const int ret = av_buffersink_get_frame(sink_, frame.get());
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return AVFramePtr{};
    if (ret < 0) return fail(mediaError(ret, "Cannot filter the pictures"));
    return frame;
}

}  // namespace kestro
