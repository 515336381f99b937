#pragma once
// A libavfilter graph with one picture input and one picture output, for the conversions an
// encoder needs in front of it (pixel format changes, GIF palettes). One thread uses a
// FilterGraph (the exporter's encode thread).
//
// Pictures pushed in are released as soon as the graph has converted them: a graph whose first
// step changes the pixel format never holds on to the caller's buffers, so the exporter's fixed
// set of canvas pictures keeps circulating even while a palette graph gathers a whole export.

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

extern "C" {
#include <libavfilter/avfilter.h>
}

#include <memory>
#include <string>

namespace kestro {

struct AVFilterGraphDeleter {
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
using AVFilterGraphPtr = std::unique_ptr<AVFilterGraph, AVFilterGraphDeleter>;

class FilterGraph {
public:
    struct Input {
        int width = 0;
        int height = 0;
        AVPixelFormat format = AV_PIX_FMT_NONE;
        AVRational timeBase{1, 30};
        // Threads that share each picture's work in slices, libavfilter's own; 0 is one per
        // core. One, the default, keeps the work on the calling thread.
        int threads = 1;
    };

    // `description` is libavfilter's graph syntax with one unlabelled input and output (for
    // example "split[a][b];[a]palettegen[p];[b][p]paletteuse"); the output is `output` pictures.
    static Result<std::unique_ptr<FilterGraph>, MediaError> create(const Input& input,
                                                                   const std::string& description,
                                                                   AVPixelFormat output);

    // Feeds one picture, or null for the end of the input.
    Result<Done, MediaError> push(const AVFrame* frame);
    // The next filtered picture; null when the graph needs more input first, or is drained.
    Result<AVFramePtr, MediaError> pull();

private:
    FilterGraph() = default;

    AVFilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr;  // owned by graph_
    AVFilterContext* sink_ = nullptr;
};

}  // namespace kestro
