#include "core/media/filter_link.hpp"

#include <cstdint>
#include <memory>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace kestro {

namespace {

// avfilter_inout_free takes the whole list; the parser hands back what it left open.
struct InOutDeleter {
    void operator()(AVFilterInOut* list) const { avfilter_inout_free(&list); }
};
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutDeleter>;

}  // namespace

int linkAndConfigure(AVFilterGraph* graph, AVFilterContext* source, AVFilterContext* sink,
                     const std::string& description) {
    // The parser's view: the source feeds the description's open input, its open output feeds
    // the sink.
    InOutPtr outputs(avfilter_inout_alloc());
    InOutPtr inputs(avfilter_inout_alloc());
    if (!outputs || !inputs) return AVERROR(ENOMEM);
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    if (!outputs->name || !inputs->name) return AVERROR(ENOMEM);
    AVFilterInOut* in = inputs.release();
    AVFilterInOut* out = outputs.release();
    const int ret = avfilter_graph_parse_ptr(graph, description.c_str(), &in, &out, nullptr);
    InOutPtr leftIn(in);
    InOutPtr leftOut(out);
    if (ret < 0) return ret;
    return avfilter_graph_config(graph, nullptr);
}

}  // namespace kestro
