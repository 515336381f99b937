#include "core/media/bt709_conversion.hpp"

#include "core/media/av_error.hpp"
#include "core/media/filter_graph.hpp"
#include "core/media/picture_colour.hpp"

#include <algorithm>
#include <string>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace kestro {

namespace {

// SDR white in an HDR picture, in cd/m²: linear 1.0 after the first step. HDR video puts diffuse
// (graphics) white at 203 cd/m², HLG's 75 % signal (ITU-R BT.2408), as phones' HDR recordings
// and the usual SDR-to-HDR conversions do; taking zimg's default of 100 instead would show their
// mid grey 50 levels too light.
constexpr int kSdrWhite = 203;

// The SDR transfers zscale reads; any other SDR picture is taken as BT.709's, as players do.
bool zscaleKnowsSdrTransfer(int transfer) {
    switch (transfer) {
        case AVCOL_TRC_BT709:
        case AVCOL_TRC_SMPTE170M:
        case AVCOL_TRC_IEC61966_2_1:
        case AVCOL_TRC_BT2020_10:
        case AVCOL_TRC_BT2020_12:
            return true;
        default:
            return false;
    }
}

// The graph for one kind of picture. zscale's input options take the H.273 codes that FFmpeg's
// colour enumerations use; they are given explicitly because the buffer source does not carry
// the colour tags through format negotiation in every FFmpeg version.
// `width` x `height` is the size to scale to on the way, in the first zscale, so that the costly
// steps run on the pixels that will be shown.
std::string conversionGraph(bool hdr, int transfer, int primaries, int matrix, bool fullRange,
                            int width, int height) {
    const std::string in = "w=" + std::to_string(width) + ":h=" + std::to_string(height) +
                           ":tin=" + std::to_string(transfer) +
                           ":pin=" + std::to_string(primaries) + ":min=" + std::to_string(matrix) +
                           ":rin=" + (fullRange ? "full" : "limited");
    if (hdr) {
        return "zscale=" + in + ":t=linear:npl=" + std::to_string(kSdrWhite) +
               ":p=bt709,format=gbrpf32le,tonemap=mobius:param=0.9"
               ",zscale=t=bt709:m=bt709:r=limited";
    }
    // One zscale: zimg goes through linear light itself when only the primaries change, without
    // a float picture between filters.
    return "zscale=" + in + ":t=" + std::to_string(transfer) + ":p=bt709:m=bt709:r=limited";
}

// HDR keeps its 10 bits for the compositor to dither down. An SDR picture of 8 bits is rounded
// to 8: dithering a flat field of it into two levels would show a pattern the encoder then pays
// for on every picture.
AVPixelFormat convertedFormat(bool hdr, AVPixelFormat source) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(source);
    if (!hdr && desc && desc->comp[0].depth <= 8) return AV_PIX_FMT_YUV420P;
    return AV_PIX_FMT_YUV420P10;
}

bool isWideGamut(int primaries) {
    return primaries == AVCOL_PRI_BT2020 || primaries == AVCOL_PRI_SMPTE431 ||
           primaries == AVCOL_PRI_SMPTE432;
}

}  // namespace

bool isHdrPicture(const AVFrame& frame) {
    return frame.color_trc == AVCOL_TRC_SMPTE2084 || frame.color_trc == AVCOL_TRC_ARIB_STD_B67;
}

bool needsBt709Conversion(const AVFrame& frame) {
    return isHdrPicture(frame) || isWideGamut(frame.color_primaries);
}

Bt709Conversion::Bt709Conversion(int threads) : threads_(threads) {}
Bt709Conversion::~Bt709Conversion() = default;

Result<const AVFrame*, MediaError> Bt709Conversion::convert(const AVFrame& picture, int width,
                                                            int height) {
    // Only ever smaller, and even, as 4:2:0 wants.
    if (width <= 0 || height <= 0 ||
        static_cast<int64_t>(width) * height >=
            static_cast<int64_t>(picture.width) * picture.height) {
        width = picture.width;
        height = picture.height;
    } else {
        width = std::min(width + (width & 1), picture.width);
        height = std::min(height + (height & 1), picture.height);
    }
    if (last_ && lastSource_ && lastSource_->data[0] == picture.data[0] && last_->width == width &&
        last_->height == height) {
        return last_.get();
    }
    lastSource_.reset();

    const bool isHdr = isHdrPicture(picture);
    // HDR video is BT.2020 in practice; an untagged primaries or matrix field means that. An SDR
    // picture's own matrix is the players' (pictureColour), its unknown transfer BT.709's.
    const int primaries = picture.color_primaries == AVCOL_PRI_UNSPECIFIED ? AVCOL_PRI_BT2020
                                                                       : picture.color_primaries;
    const PictureColour colour = pictureColour(picture);
    const int matrix = isHdr && picture.colorspace == AVCOL_SPC_UNSPECIFIED
                           ? AVCOL_SPC_BT2020_NCL
                           : static_cast<int>(colour.matrix);
    const int transfer = isHdr || zscaleKnowsSdrTransfer(picture.color_trc)
                             ? static_cast<int>(picture.color_trc)
                             : static_cast<int>(AVCOL_TRC_BT709);
    const Shape shape{.width = picture.width,
                      .height = picture.height,
                      .outWidth = width,
                      .outHeight = height,
                      .format = picture.format,
                      .transfer = transfer,
                      .primaries = primaries,
                      .matrix = matrix,
                      .range = colour.fullRange ? 1 : 0};
    if (!graph_ || !(shape == shape_)) {
        graph_.reset();
        FilterGraph::Input input;
        input.width = picture.width;
        input.height = picture.height;
        input.format = plainYuvFormat(static_cast<AVPixelFormat>(picture.format));
        input.timeBase = AVRational{1, 1000};
        input.threads = threads_;
        auto graph = FilterGraph::create(
            input,
            conversionGraph(isHdr, transfer, primaries, matrix, colour.fullRange, width, height),
            convertedFormat(isHdr, static_cast<AVPixelFormat>(picture.format)));
        if (!graph) return fail(graph.error());
        graph_ = std::move(*graph);
        shape_ = shape;
    }

    // A reference of our own, with timestamps the graph can trust whatever the caller's are.
    AVFramePtr in = refFrame(picture);
    if (!in) return fail(mediaError(AVERROR(ENOMEM)));
    in->format = plainYuvFormat(static_cast<AVPixelFormat>(picture.format));
    in->pts = pushed_++;
    if (auto pushed = graph_->push(in.get()); !pushed) return fail(pushed.error());
    auto out = graph_->pull();
    if (!out) return fail(out.error());
    if (!*out) return fail(mediaFailure("Cannot convert the picture to BT.709", AVERROR_BUG));
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
