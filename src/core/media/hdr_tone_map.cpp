#include "core/media/hdr_tone_map.hpp"

#include "core/media/av_error.hpp"
#include "core/media/filter_graph.hpp"
#include "core/media/picture_colour.hpp"

#include <string>

namespace kestro {

namespace {

// SDR white in an HDR picture, in cd/m²: linear 1.0 after the first step. HDR video puts diffuse
// (graphics) white at 203 cd/m², HLG's 75 % signal (ITU-R BT.2408), as phones' HDR recordings
// and the usual SDR-to-HDR conversions do; taking zimg's default of 100 instead would show their
// mid grey 50 levels too light.
constexpr int kSdrWhite = 203;

// The graph for one kind of HDR picture. zscale's input options take the H.273 codes that
// FFmpeg's colour enumerations use; they are given explicitly because the buffer source does not
// carry the colour tags through format negotiation in every FFmpeg version.
std::string toneMapGraph(int transfer, int primaries, int matrix, bool fullRange) {
    const std::string in = "tin=" + std::to_string(transfer) + ":pin=" +
                           std::to_string(primaries) + ":min=" + std::to_string(matrix) +
                           ":rin=" + (fullRange ? "full" : "limited");
    return "zscale=" + in + ":t=linear:npl=" + std::to_string(kSdrWhite) +
           ",format=gbrpf32le,zscale=p=bt709,tonemap=mobius:param=0.9"
           ",zscale=t=bt709:m=bt709:r=limited";
}

}  // namespace

bool isHdrPicture(const AVFrame& frame) {
    return frame.color_trc == AVCOL_TRC_SMPTE2084 || frame.color_trc == AVCOL_TRC_ARIB_STD_B67;
}

HdrToneMap::HdrToneMap() = default;
HdrToneMap::~HdrToneMap() = default;

Result<const AVFrame*, MediaError> HdrToneMap::convert(const AVFrame& hdr) {
    if (last_ && lastSource_ && lastSource_->data[0] == hdr.data[0]) return last_.get();
    lastSource_.reset();

    // HDR video is BT.2020 in practice; an untagged primaries or matrix field means that.
    const int primaries = hdr.color_primaries == AVCOL_PRI_UNSPECIFIED ? AVCOL_PRI_BT2020
                                                                       : hdr.color_primaries;
    const PictureColour colour = pictureColour(hdr);
    const int matrix = hdr.colorspace == AVCOL_SPC_UNSPECIFIED ? AVCOL_SPC_BT2020_NCL
                                                               : static_cast<int>(colour.matrix);
    const Shape shape{hdr.width,  hdr.height, hdr.format, hdr.color_trc,
                      primaries,  matrix,     colour.fullRange ? 1 : 0};
    if (!graph_ || !(shape == shape_)) {
        graph_.reset();
        FilterGraph::Input input;
        input.width = hdr.width;
        input.height = hdr.height;
        input.format = plainYuvFormat(static_cast<AVPixelFormat>(hdr.format));
        input.timeBase = AVRational{1, 1000};
        auto graph = FilterGraph::create(
            input, toneMapGraph(hdr.color_trc, primaries, matrix, colour.fullRange),
            AV_PIX_FMT_YUV420P10);
        if (!graph) return fail(graph.error());
        graph_ = std::move(*graph);
        shape_ = shape;
    }

    // A reference of our own, with timestamps the graph can trust whatever the caller's are.
    AVFramePtr in = refFrame(hdr);
    if (!in) return fail(mediaError(AVERROR(ENOMEM)));
    in->format = plainYuvFormat(static_cast<AVPixelFormat>(hdr.format));
    in->pts = pushed_++;
    if (auto pushed = graph_->push(in.get()); !pushed) return fail(pushed.error());
    auto out = graph_->pull();
    if (!out) return fail(out.error());
    if (!*out) return fail(mediaFailure("Cannot tone-map the HDR picture", AVERROR_BUG));
    AVFrame& sdr = **out;
    sdr.color_primaries = AVCOL_PRI_BT709;
    sdr.color_trc = AVCOL_TRC_BT709;
    sdr.colorspace = AVCOL_SPC_BT709;
    sdr.color_range = AVCOL_RANGE_MPEG;
    last_ = std::move(*out);
    lastSource_ = std::move(in);  // the graph has let go of its own reference by now
    return last_.get();
}

}  // namespace kestro
