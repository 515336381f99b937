#pragma once
// Sound played faster or slower with its pitch kept: libavfilter's atempo over 48 kHz stereo
// planar float, the exporter's own sound format. atempo takes 0.5 to 2 per stage with the best
// quality, so larger or smaller factors become a chain of stages. One thread uses a
// TempoFilter (the exporter's encode thread).

#include "core/media/filter_graph.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

#include <memory>
#include <string>
#include <vector>

namespace kestro {

// "atempo=2,atempo=1.5" for 3: each stage within 0.5..2.
std::string tempoChain(double factor);

class TempoFilter {
public:
    // `factor` > 0: 2 plays twice as fast.
    static Result<std::unique_ptr<TempoFilter>, MediaError> create(double factor);

    // Feeds `count` samples per channel; after finish() nothing more may be pushed.
    Result<Done, MediaError> push(const float* left, const float* right, int count);
    // Tells the filter the input has ended, so it lets go of what it still holds.
    Result<Done, MediaError> finish();
    // Appends every sample the filter has ready to the two vectors.
    Result<Done, MediaError> pull(std::vector<float>& left, std::vector<float>& right);

private:
    TempoFilter() = default;

    AVFilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr;  // owned by graph_
    AVFilterContext* sink_ = nullptr;
    AVFramePtr frame_;
    int64_t pushed_ = 0;  // samples fed so far: the next frame's time
};

}  // namespace kestro
