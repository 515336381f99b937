#include "core/export/export_target.hpp"

#include "core/export/app_store_rules.hpp"
#include "core/export/render_geometry.hpp"
#include "core/media/web_encoders.hpp"

#include <algorithm>
#include <cmath>
#include <string>

namespace kestro {

namespace {

H264Settings h264Settings(const ExportConfig& config) {
    H264Settings s;
    switch (config.quality) {
        case ExportQuality::draft:
            s.preset = "veryfast";
            s.crf = 23;
            break;
        case ExportQuality::standard:
            break;
        case ExportQuality::best:
            s.preset = "slow";
            s.crf = 16;
            break;
    }
    if (config.appStore) {
        s.bitRate = kPreviewVideoBitRate;
        s.maxRate = kPreviewVideoMaxRate;
        s.bufferSize = kPreviewVideoMaxRate;
        s.level = kPreviewH264Level;
    }
    return s;
}

Vp9Settings vp9Settings(ExportQuality quality) {
    switch (quality) {
        case ExportQuality::draft:
            return {"realtime", 8, 36};
        case ExportQuality::standard:
            return {"good", 4, 31};
        case ExportQuality::best:
            return {"good", 1, 24};
    }
    return {};
}

// The compositor's pictures in the order's format, as the filter graph's input.
FilterGraph::Input compositorPictures(const ExportTarget& target, int width, int height,
                                      AVRational frameRate) {
    FilterGraph::Input in;
    in.width = width;
    in.height = height;
    in.format =
        target.order == CompositorSetup::Order::mov ? AV_PIX_FMT_YUVA444P10LE : AV_PIX_FMT_YUV420P;
    in.timeBase = av_inv_q(frameRate);
    return in;
}

}  // namespace

ExportTarget exportTarget(const ExportConfig& config) {
    ExportTarget t;
    const bool alpha = config.background.isTransparent();
    switch (config.format) {
        case ExportFormat::mp4:
            t.container = Muxer::Container::mp4;
            break;
        case ExportFormat::mov:
            t.container = Muxer::Container::mov;
            t.order = CompositorSetup::Order::mov;
            t.sound = ExportTarget::Sound::none;
            break;
        case ExportFormat::gif:
            t.container = Muxer::Container::gif;
            if (alpha) t.order = CompositorSetup::Order::mov;
            t.sound = ExportTarget::Sound::none;
            break;
        case ExportFormat::webm:
            t.container = Muxer::Container::webm;
            if (alpha) t.order = CompositorSetup::Order::mov;
            break;
    }
    if (config.appStore) {
        t.container = Muxer::Container::mp4;
        t.order = CompositorSetup::Order::mp4;
        t.framed = false;
        t.sound = ExportTarget::Sound::always;
    }
    if (config.googlePlay) {
        t.container = Muxer::Container::mp4;
        t.order = CompositorSetup::Order::mp4;
        t.sound = ExportTarget::Sound::always;
    }
    return t;
}

AVRational targetFrameRate(const ExportConfig& config, AVRational rate) {
    if (config.appStore && av_cmp_q(rate, AVRational{kPreviewMaxFrameRate, 1}) > 0) {
        return AVRational{kPreviewMaxFrameRate, 1};
    }
    return rate;
}

std::optional<ExportError> gifTooLarge(std::int64_t frames, int width, int height) {
    const std::int64_t bytes = frames * width * height * 4;
    if (bytes <= kMaxGifPendingBytes) return std::nullopt;
    return ExportError::targetRequirement(
        "A GIF gathers all its pictures to choose its colours: " + std::to_string(frames) +
        " pictures of " + std::to_string(width) + " x " + std::to_string(height) + " would need " +
        std::to_string((bytes + (1 << 29)) >> 30) + " GB of memory, more than the " +
        std::to_string(kMaxGifPendingBytes >> 30) +
        " GB a GIF may use. Shorten the range or lower the frame rate or width.");
}

std::string gifPaletteGraph(ExportQuality quality, bool alpha) {
    // Error diffusion hides banding in gradients and shadows; Bayer's ordered pattern is
    // cheaper and, frame to frame, steadier, which suits a quick look.
    const char* dither = "sierra2_4a";
    switch (quality) {
        case ExportQuality::draft:
            dither = "bayer:bayer_scale=5";
            break;
        case ExportQuality::standard:
            break;
        case ExportQuality::best:
            dither = "sierra2";
            break;
    }
    // A see-through GIF's pictures must each have a see-through pixel. libavcodec's encoder
    // writes a picture with none as the change from the one before, to be drawn over it, but
    // a picture with see-through parts is cleared once shown: what follows (a zoomed picture,
    // which fills the canvas) came out see-through where it matched, and the first picture
    // with see-through parts after it showed it through them. One clear pixel in the corner
    // makes every picture whole and cleared after it is shown.
    const std::string clearCorner =
        alpha ? "drawbox=x=0:y=0:w=1:h=1:color=black@0:t=fill:replace=1," : "";
    // The compositor's pictures are limited-range BT.709; the palette is built in full-range
    // RGB. An opaque GIF gets all 256 colours; a see-through one keeps one for transparency.
    return clearCorner +
           "scale=in_color_matrix=bt709:in_range=tv:out_range=pc,format=bgra,"
           "split[a][b];[a]palettegen=stats_mode=full:reserve_transparent=" +
           (alpha ? "1" : "0") + "[p];[b][p]paletteuse=dither=" + dither + ":alpha_threshold=128";
}

Result<VideoEncoding, MediaError> openTargetVideo(const ExportConfig& config,
                                                  const ExportTarget& target, int width, int height,
                                                  AVRational frameRate, ProResEncoder prores,
                                                  bool globalHeader, int threads) {
    VideoEncoding out;
    const bool alpha = target.order == CompositorSetup::Order::mov;
    Result<AVCodecContextPtr, MediaError> encoder = fail(MediaError{});
    switch (target.container) {
        case Muxer::Container::mp4: {
            H264Settings settings = h264Settings(config);
            settings.threads = threads;
            encoder = openH264Encoder(width, height, frameRate, globalHeader, settings);
            break;
        }
        case Muxer::Container::mov: {
            // ProRes keeps its 4444 profile in every tier. prores_aw is the fastest FFmpeg
            // has, so drafts take it whatever the standard is; the best tier takes prores_ks,
            // which spends twice the time for a near-lossless picture.
            const ProResEncoder which = config.quality == ExportQuality::draft  ? ProResEncoder::aw
                                        : config.quality == ExportQuality::best ? ProResEncoder::ks
                                                                                : prores;
            encoder = openProRes4444Encoder(width, height, frameRate, which, globalHeader, threads);
            break;
        }
        case Muxer::Container::webm: {
            Vp9Settings settings = vp9Settings(config.quality);
            settings.threads = threads;
            encoder = openVp9Encoder(width, height, frameRate, alpha, globalHeader, settings);
            if (encoder && alpha) {
                auto filter =
                    FilterGraph::create(compositorPictures(target, width, height, frameRate),
                                        "format=yuva420p", AV_PIX_FMT_YUVA420P);
                if (!filter) return fail(filter.error());
                out.filter = std::move(*filter);
            }
            break;
        }
        case Muxer::Container::gif: {
            encoder = openGifEncoder(width, height, frameRate);
            if (encoder) {
                auto filter =
                    FilterGraph::create(compositorPictures(target, width, height, frameRate),
                                        gifPaletteGraph(config.quality, alpha), AV_PIX_FMT_PAL8);
                if (!filter) return fail(filter.error());
                out.filter = std::move(*filter);
            }
            break;
        }
    }
    if (!encoder) return fail(encoder.error());
    out.encoder = std::move(*encoder);
    return out;
}

Result<AVCodecContextPtr, MediaError> openTargetAudio(const ExportConfig& config,
                                                      bool globalHeader) {
    if (config.format == ExportFormat::webm && !config.appStore)
        return openOpusEncoder(globalHeader);
    return openAacEncoder(globalHeader, config.appStore ? kPreviewAudioBitRate : 192000);
}

}  // namespace kestro
