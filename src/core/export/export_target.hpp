#pragma once
// What an export writes, from its format, quality and preset: the container, the order the
// compositor draws in, the encoders (with what they need in front of them) and the frame rate.
// The exporter runs the same pipeline for every target; only these choices differ.

#include "core/export/compositor.hpp"
#include "core/export/export_config.hpp"
#include "core/export/export_error.hpp"
#include "core/media/encoders.hpp"
#include "core/media/filter_graph.hpp"
#include "core/media/muxer.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kestro {

struct ExportTarget {
    Muxer::Container container = Muxer::Container::mp4;
    // mov keeps alpha (MOV always; GIF and WebM over a transparent background), mp4 flattens.
    CompositorSetup::Order order = CompositorSetup::Order::mp4;
    // App Store previews: no frame image, square screen corners.
    bool framed = true;
    enum class Sound {
        none,        // no sound track (MOV, GIF)
        fromSource,  // the source's sound when it has any
        always,      // a track in any case, silent for a silent source (App Store)
    };
    Sound sound = Sound::fromSource;
};

ExportTarget exportTarget(const ExportConfig& config);

// The output's frame rate for the target: `rate` (the one asked for, else the source's capture
// rate), capped for App Store previews.
AVRational targetFrameRate(const ExportConfig& config, AVRational rate);

// A GIF's palette is built from every picture of the export before the first one is written, so
// the pictures wait in memory, 4 bytes a pixel. Past this much the export is refused up front
// (with the numbers and what to lower) rather than running the machine out of memory.
inline constexpr std::int64_t kMaxGifPendingBytes = std::int64_t{2} << 30;
std::optional<ExportError> gifTooLarge(std::int64_t frames, int width, int height);

// The libavfilter graph that gives a GIF one palette built from every picture of the export,
// then maps each picture onto it with the tier's dithering. `alpha`: see-through pixels get the
// palette's transparent entry.
std::string gifPaletteGraph(ExportQuality quality, bool alpha);

struct VideoEncoding {
    AVCodecContextPtr encoder;
    std::unique_ptr<FilterGraph> filter;  // null when the compositor's pictures fit as they are
};

// The video encoder of the target at its quality. `prores` is the ProRes encoder of the
// standard tier. `threads`: how many threads the encoder may start, 0 to let it choose.
Result<VideoEncoding, MediaError> openTargetVideo(const ExportConfig& config,
                                                  const ExportTarget& target, int width, int height,
                                                  AVRational frameRate, ProResEncoder prores,
                                                  bool globalHeader, int threads = 0);

// The sound encoder of the target (only asked when it has sound).
Result<AVCodecContextPtr, MediaError> openTargetAudio(const ExportConfig& config,
                                                      bool globalHeader);

}  // namespace kestro
