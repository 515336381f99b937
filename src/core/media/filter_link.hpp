#pragma once
// Puts a graph description written in libavfilter's syntax between a source and a sink the
// caller has already made, then configures the whole graph.

#include <string>

struct AVFilterContext;
struct AVFilterGraph;

namespace kestro {

// `description` has one unlabelled input, fed by `source`, and one unlabelled output, feeding
// `sink`. Returns libav's code: negative when the description does not parse or the graph cannot
// be configured.
int linkAndConfigure(AVFilterGraph* graph, AVFilterContext* source, AVFilterContext* sink,
                     const std::string& description);

}  // namespace kestro
