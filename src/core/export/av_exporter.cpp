#include "core/export/av_exporter.hpp"

#include "core/export/background_image.hpp"
#include "core/export/canvas_layout.hpp"
#include "core/export/compositor.hpp"
#include "core/export/export_pipeline.hpp"
#include "core/export/render_geometry.hpp"
#include "core/media/av_error.hpp"
#include "core/media/muxer.hpp"
#include "core/media/video_reader.hpp"

#include <cerrno>
#include <cmath>
#include <cstring>

namespace kestro {

namespace fs = std::filesystem;

namespace {

// A canvas beyond this is a broken request, not a resolution anyone exports.
constexpr std::int64_t kMaxCanvasSide = 8192;

bool isDiskFull(int errnum) {
    return errnum == ENOSPC || errnum == EDQUOT;
}

// What the user is told when writing the output failed: a full disk and other file system
// failures by their cause, anything the encoder or muxer itself reports as exportFailed.
ExportError outputFailure(const OutputFile& file) {
    const int errnum = file.writeErrno();
    if (isDiskFull(errnum)) return ExportError::fileSystem(ExportError::kDiskFull);
    if (errnum != 0) return ExportError::fileSystem(std::strerror(errnum));
    return ExportError::exportFailed();
}

// Creating or committing the destination failed: a full disk by that name, anything else with
// the message saying what failed.
ExportError fileFailure(const OutputFileError& error) {
    return ExportError::fileSystem(isDiskFull(error.errnum) ? ExportError::kDiskFull
                                                            : error.message);
}

ExportError sourceFailure(const MediaError& error) {
    if (error.averror == AVERROR_STREAM_NOT_FOUND) return ExportError::invalidVideoTrack();
    return ExportError::platform(error);
}

}  // namespace

Result<fs::path, ExportError> AVFExporter::exportVideo(
    const fs::path& input, std::shared_ptr<const Image> frame, const ExportConfig& config,
    const fs::path& output, ProgressHandler progressHandler, CancelQuery cancelRequested) const {
    const bool mov = config.format == ExportFormat::mov;

    // The source: nothing is written before it has proven usable.
    auto reader = VideoReader::open(input);
    if (!reader) return fail(sourceFailure(reader.error()));
    const MovieInfo info = (*reader)->info();

    auto range = clampTrimRange(config.trimStart, config.trimEnd, info.duration);
    if (!range) return fail(range.error());

    if (config.width <= 0 || config.height <= 0 || config.width > kMaxCanvasSide ||
        config.height > kMaxCanvasSide) {
        return fail(ExportError::exportSessionFailed());
    }
    // Encoders need even sizes; the canvas rule already gives them, odd requests grow by one.
    const int width = static_cast<int>(config.width + config.width % 2);
    const int height = static_cast<int>(config.height + config.height % 2);

    const int frameRate = outputFrameRate(info.video.averageFrameRate);
    const double frames = std::ceil(range->duration() * frameRate - 1e-6);
    const int64_t frameCount = std::max<int64_t>(1, static_cast<int64_t>(frames));

    if (frame && !frame->isWellFormed()) frame.reset();

    // A padding that left no device box, or a background picture that cannot be read, is the
    // request's fault: said plainly, before anything is written.
    if (!(config.device.w > 0 && config.device.h > 0)) {
        return fail(ExportError::platform(mediaFailure(
            "The padding leaves no room for the device on the canvas; choose a smaller padding.",
            AVERROR(EINVAL))));
    }
    std::optional<Image> backgroundImage;
    if (config.background.kind == "image") {
        auto loaded = loadBackgroundImage(config.background.imagePath);
        if (!loaded)
            return fail(ExportError::platform(mediaFailure(loaded.error(), AVERROR(EINVAL))));
        backgroundImage = std::move(*loaded);
    }

    const CanvasRect screen = grownScreenRect(config.screen, width, height);
    const VideoSize upright{static_cast<double>(info.video.uprightWidth),
                            static_cast<double>(info.video.uprightHeight)};
    CompositorSetup setup;
    setup.order = mov ? CompositorSetup::Order::mov : CompositorSetup::Order::mp4;
    setup.canvasWidth = width;
    setup.canvasHeight = height;
    setup.screen = screen;
    setup.frame = frame.get();
    setup.device = toTopLeftOrigin(canvasPixels(config.device, width, height), height);
    setup.background = config.background;
    setup.backgroundImage = backgroundImage ? &*backgroundImage : nullptr;
    setup.shadow = config.shadow;
    setup.placement = placeVideo(screen, height, upright, config.fitMode, config.scale,
                                 config.offsetX, config.offsetY);
    setup.rotation = info.video.rotation;
    auto compositor = Compositor::create(setup);
    if (!compositor) return fail(ExportError::compositionFailed());
    frame.reset();  // the compositor keeps what it needs
    backgroundImage.reset();

    // Sound (MP4 only); a source whose sound cannot be read exports silent.
    std::unique_ptr<AudioReader> audio;
    if (!mov && info.hasAudio) {
        if (auto opened = AudioReader::open(input)) audio = std::move(*opened);
    }

    if (cancelRequested && cancelRequested()) return fail(ExportError::exportCancelled());

    // The destination: a temporary file beside it until the movie is complete.
    auto file = OutputFile::create(output, options_.write);
    if (!file) return fail(fileFailure(file.error()));
    OutputFile& out = **file;

    PipelineJob job;
    {
        auto muxer =
            Muxer::create(mov ? Muxer::Container::mov : Muxer::Container::mp4, out.io(), out.url());
        if (!muxer) return fail(ExportError::exportSessionFailed());
        const bool globalHeader = (*muxer)->needsGlobalHeader();
        auto videoEncoder =
            mov ? openProRes4444Encoder(width, height, frameRate, options_.prores, globalHeader)
                : openH264Encoder(width, height, frameRate, globalHeader);
        if (!videoEncoder) return fail(ExportError::exportSessionFailed());
        auto videoStream = (*muxer)->addStream(std::move(*videoEncoder));
        if (!videoStream) return fail(ExportError::exportSessionFailed());
        job.videoStream = *videoStream;
        if (audio) {
            auto audioEncoder = openAacEncoder(globalHeader);
            auto audioStream = audioEncoder ? (*muxer)->addStream(std::move(*audioEncoder))
                                            : Result<int, MediaError>(fail(audioEncoder.error()));
            if (audioStream) {
                job.audioStream = *audioStream;
            } else {
                audio.reset();  // not an error: the movie goes out silent
            }
        }
        auto header = (*muxer)->writeHeader();
        if (!header) return fail(outputFailure(out));
        job.muxer = std::move(*muxer);
    }
    job.video = std::move(*reader);
    job.compositor = std::move(*compositor);
    job.audio = std::move(audio);
    job.range = *range;
    job.frameRate = frameRate;
    job.frameCount = frameCount;

    const PipelineOutcome outcome = runPipeline(job, progressHandler, cancelRequested);
    // The container must be gone before its file is committed or removed.
    job.muxer.reset();
    switch (outcome.kind) {
        case PipelineOutcome::Kind::done:
            break;
        case PipelineOutcome::Kind::cancelled:
            return fail(ExportError::exportCancelled());
        case PipelineOutcome::Kind::sourceFailed:
            return fail(sourceFailure(outcome.error));
        case PipelineOutcome::Kind::sourceTruncated:
            return fail(ExportError::cannotLoadAsset());
        case PipelineOutcome::Kind::outputFailed:
            return fail(outputFailure(out));
    }

    auto committed = out.commit();
    if (!committed) return fail(fileFailure(committed.error()));
    if (progressHandler) progressHandler(1.0);
    return output;
}

}  // namespace kestro
