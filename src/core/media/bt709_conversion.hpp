#pragma once
// Every output is SDR BT.709, and pictures made otherwise are turned into it first, as a
// colour-managed player shows them:
// - HDR pictures (PQ or HLG transfer, usually BT.2020 10-bit HEVC from phone cameras or screen
//   captures of HDR content) are tone-mapped, not left as washed-out greys;
// - wide-gamut SDR pictures (BT.2020 or P3 primaries: some phones' SDR video, Display P3
//   captures) have their primaries converted, not read as if they were BT.709's, which shows a
//   saturated red 35 levels duller.
// The work is libavfilter's: zscale takes the picture to linear light and BT.709 primaries,
// tonemap (for HDR) compresses what lies above SDR white, and zscale takes it back to BT.709
// YCbCr. An SDR picture goes back through its own transfer curve in the same zscale, so its
// tones stay as they are.
//
// The HDR curve keeps SDR content as it is: linear light is scaled so that 203 cd/m² is SDR white
// (the reference white of HDR video, ITU-R BT.2408, where phones and SDR-to-HDR conversions put
// it), and the Möbius curve stays the identity up to 90 % of that white, rolling off only the
// highlights above it. A curve that compresses from lower down (Hable, Reinhard) darkens
// ordinary greys by 40 levels or more.
//
// One thread uses a Bt709Conversion (the exporter's compose thread, or the player's decode
// thread); libavfilter's slice threads may share each picture's work with it.

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

#include <cstdint>
#include <memory>

namespace kestro {

class FilterGraph;

// True for a picture whose transfer is PQ (SMPTE ST 2084) or HLG (ARIB STD-B67).
bool isHdrPicture(const AVFrame& frame);

// True for an HDR picture, or an SDR one tagged with BT.2020 or P3 (DCI or Display) primaries.
bool needsBt709Conversion(const AVFrame& frame);

class Bt709Conversion {
public:
    // `threads`: slice threads for each picture's work, 0 for one per core. The exporter's
    // compose thread wants them: full-size float conversion and tone mapping are its slowest
    // step, and the encoder waits on it. A preview converts small pictures on its own thread.
    explicit Bt709Conversion(int threads = 1);
    ~Bt709Conversion();
    Bt709Conversion(const Bt709Conversion&) = delete;
    Bt709Conversion& operator=(const Bt709Conversion&) = delete;

    // The SDR BT.709 twin of a picture for which needsBt709Conversion holds: limited-range
    // BT.709 (matrix, primaries and transfer tagged so), 4:2:0 of 8 bits for an SDR picture of
    // 8 bits and of 10 otherwise. It has the picture's size, or about `width` x `height` when
    // that is smaller (rounded up to even sides): a preview converts only the pixels it shows,
    // an eighth of the work for HDR at a usual preview size. The result stays valid until the
    // next call; the same picture handed in again at the same size (a held frame shown for
    // several output ticks) is not converted twice.
    Result<const AVFrame*, MediaError> convert(const AVFrame& picture, int width = 0,
                                               int height = 0);

private:
    struct Shape {
        int width = 0, height = 0, outWidth = 0, outHeight = 0, format = -1;
        int transfer = 0, primaries = 0, matrix = 0, range = 0;
        bool operator==(const Shape&) const = default;
    };
    int threads_ = 1;
    Shape shape_;
    std::unique_ptr<FilterGraph> graph_;
    AVFramePtr last_;  // the latest converted picture
    // A reference to the picture it came from: while held, its pixels cannot be recycled for
    // another picture, so the same pixel address means the same picture.
    AVFramePtr lastSource_;
    int64_t pushed_ = 0;  // pictures fed to the graph, their timestamps there
};

}  // namespace kestro
