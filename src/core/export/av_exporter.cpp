#include "core/export/av_exporter.hpp"

#include "core/export/app_store_rules.hpp"
#include "core/export/background_image.hpp"
#include "core/export/canvas_layout.hpp"
#include "core/export/canvas_size.hpp"
#include "core/export/caption_overlay.hpp"
#include "core/export/compositor.hpp"
#include "core/export/encoder_threads.hpp"
#include "core/export/export_frame_rate.hpp"
#include "core/export/export_pipeline.hpp"
#include "core/export/export_target.hpp"
#include "core/export/render_geometry.hpp"
#include "core/export/shared_timeline.hpp"
#include "core/export/tick_grid.hpp"
#include "core/media/av_error.hpp"
#include "core/media/media_input.hpp"
#include "core/media/muxer.hpp"
#include "core/media/output_file.hpp"
#include "core/media/packet_times.hpp"
#include "core/media/video_reader.hpp"
#include "core/model/time_map.hpp"
#include "core/platform.hpp"
#include "core/text/text_renderer.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>

namespace kestro {

namespace fs = std::filesystem;

namespace {

bool isDiskFull(int errnum) {
    return errnum == ENOSPC || errnum == EDQUOT;
}

// What the user is told when writing the output failed: a full disk and other file system
// failures by their cause, anything the encoder or muxer itself reports as exportFailed with
// FFmpeg's words for it.
ExportError outputFailure(const OutputFile& file, const MediaError& cause) {
    const int errnum = file.writeErrno();
    if (isDiskFull(errnum)) return ExportError::fileSystem(ExportError::kDiskFull);
    if (errnum != 0) return ExportError::fileSystem(std::strerror(errnum));
    return ExportError::exportFailed(cause);
}

// Creating or committing the destination failed: a full disk by that name, anything else with
// the message saying what failed.
ExportError fileFailure(const OutputFileError& error) {
    return ExportError::fileSystem(isDiskFull(error.errnum) ? ExportError::kDiskFull
                                                            : error.message);
}

// FFmpeg's account of a failure, for a warning.
std::string causeText(const MediaError& error) {
    return error.message.empty() ? avErrorText(error.averror) : error.message;
}

ExportError sourceFailure(const MediaError& error) {
    if (error.averror == AVERROR_STREAM_NOT_FOUND) return ExportError::invalidVideoTrack();
    return ExportError::platform(error);
}

// The source: nothing is written before it has proven usable. A picture renamed to look like a
// movie opens as a one-frame video of no length; it is refused as what it is.
Result<std::unique_ptr<VideoReader>, ExportError> openSource(const fs::path& input) {
    if (isStillPictureFile(input)) return fail(ExportError::notAMovie(input.filename().string()));
    auto reader = VideoReader::open(input);
    if (!reader) return fail(sourceFailure(reader.error()));
    return std::move(*reader);
}

}  // namespace

// One output set up and ready to run: its pipeline job (everything but the source) and its
// temporary file. The job's muxer writes into the file, so it is declared after it and goes
// first.
struct PreparedExport {
    std::unique_ptr<OutputFile> file;
    PipelineJob job;
    ExportedMovie exported;
};

Result<ExportedMovie, ExportError> AVFExporter::exportVideo(
    const fs::path& input, std::shared_ptr<const Image> frame, const ExportConfig& config,
    const fs::path& output, ProgressHandler progressHandler, CancelQuery cancelRequested) const {
    auto reader = openSource(input);
    if (!reader) return fail(reader.error());
    auto prepared = prepare(input, (*reader)->info(), std::move(frame), config, output,
                            cancelRequested);
    if (!prepared) return fail(prepared.error());
    prepared->job.video = std::move(*reader);
    const PipelineOutcome outcome = runPipeline(prepared->job, progressHandler, cancelRequested);
    return finish(*prepared, outcome, progressHandler);
}

Result<PreparedExport, ExportError> AVFExporter::prepare(
    const fs::path& input, const MovieInfo& info, std::shared_ptr<const Image> frame,
    const ExportConfig& config, const fs::path& output, const CancelQuery& cancelRequested,
    int encoderThreads) const {
    const ExportTarget target = exportTarget(config);

    auto range = clampTrimRange(config.trimStart, config.trimEnd, info.duration);
    if (!range) return fail(range.error());
    if (auto problem = speedTrackProblem(config.speed)) {
        return fail(ExportError::platform(
            mediaFailure("The speed changes cannot be used: " + *problem + ".", AVERROR(EINVAL))));
    }
    AVRational frameRate{kDefaultFrameRate, 1};
    bool variableRate = false;
    // The container's picture times of the range, when they can be listed.
    std::optional<std::vector<double>> pictureTimes;
    if (config.fps) {
        if (!(*config.fps >= 1 && *config.fps <= kMaximumFrameRate)) {
            return fail(ExportError::exportSessionFailed(mediaFailure(
                "The frame rate must be from 1 to " + std::to_string(kMaximumFrameRate) +
                    " frames per second",
                AVERROR(EINVAL))));
        }
        frameRate = frameRateFromFps(*config.fps);
    } else {
        // The capture rate needs only the container's timestamps of the range; a file whose
        // packets cannot be listed still exports at its average rate.
        auto times = readPacketTimes(input, range->start, range->end);
        if (times) pictureTimes = std::move(*times);
        const double grain = av_q2d(info.video.timeBase);
        const auto shortest =
            pictureTimes ? typicalShortestInterval(*pictureTimes, grain) : std::nullopt;
        const double declared = info.video.averageFrameRate;
        const double average = pictureTimes ? stretchAverageRate(declared, pictureTimes->size(),
                                                                 range->end - range->start)
                                            : declared;
        variableRate = isVariableRate(average, shortest);
        // An even stream keeps its header's rate, unless its pictures clearly come slower.
        frameRate = rateOnGrain(exportFrameRate(variableRate ? average : declared, shortest),
                                info.video.timeBase);
    }
    frameRate = targetFrameRate(config, frameRate);
    if (!pictureTimes) {
        // Only the pictures near the start matter to the grid.
        auto times = readPacketTimes(input, range->start, std::min(range->end, range->start + 1));
        if (times) pictureTimes = std::move(*times);
    }
    if (pictureTimes) *range = alignTicksToFirstPicture(*range, *pictureTimes, frameRate);

    // The output's length: the trimmed range at its speeds.
    const TimeMap timeMap(range->start, range->end, config.speed);
    const double outputLength = timeMap.outputDuration();
    // The store's limits are known now; nothing is written for a preview it would refuse.
    if (config.appStore) {
        if (auto broken = previewRuleBroken(outputLength)) return fail(std::move(*broken));
    }

    if (config.width <= 0 || config.height <= 0) return fail(ExportError::exportSessionFailed());
    if (config.width > kMaxCanvasSide || config.height > kMaxCanvasSide) {
        return fail(ExportError::canvasTooLarge(config.width, config.height, kMaxCanvasSide));
    }
    // Encoders need even sizes; the canvas rule already gives them, odd requests grow by one.
    const int width = static_cast<int>(config.width + config.width % 2);
    const int height = static_cast<int>(config.height + config.height % 2);

    // Only the movie's own end carries its time base's rounding; a trim's end is the user's.
    const bool toMovieEnd = range->end >= info.duration;
    const int64_t frameCount =
        tickCount(outputLength, frameRate, toMovieEnd ? av_q2d(info.video.timeBase) : 0);

    if (target.container == Muxer::Container::gif) {
        if (auto tooLarge = gifTooLarge(frameCount, width, height)) return fail(std::move(*tooLarge));
    }

    if (frame && !frame->isWellFormed()) frame.reset();

    // A padding that left no device box, or a background picture that cannot be read, is the
    // request's fault: said plainly, before anything is written.
    if (!(config.device.w > 0 && config.device.h > 0)) {
        return fail(ExportError::platform(mediaFailure(
            "The padding leaves no room for the device on the canvas; choose a smaller padding.",
            AVERROR(EINVAL))));
    }
    std::optional<Image> backgroundImage;
    if (const BackgroundPicture* picture = config.background.asPicture()) {
        auto loaded = loadBackgroundImage(picture->path);
        if (!loaded)
            return fail(ExportError::platform(mediaFailure(loaded.error(), AVERROR(EINVAL))));
        backgroundImage = std::move(*loaded);
    }

    const CanvasRect screen = grownScreenRect(config.screen, width, height);
    const VideoSize upright{static_cast<double>(info.video.uprightWidth),
                            static_cast<double>(info.video.uprightHeight)};
    CompositorSetup setup;
    setup.order = target.order;
    setup.canvasWidth = width;
    setup.canvasHeight = height;
    setup.screen = screen;
    setup.frame = target.framed ? frame.get() : nullptr;
    setup.roundedScreen = target.framed;
    setup.screenCornerFraction = config.screenCornerFraction;
    setup.device = toTopLeftOrigin(canvasPixels(config.device, width, height), height);
    setup.fastScaling = config.quality == ExportQuality::draft;
    setup.background = config.background;
    setup.backgroundImage = backgroundImage ? &*backgroundImage : nullptr;
    setup.shadow = config.shadow;
    setup.placement = placeVideo(screen, height, upright, config.fitMode, config.scale,
                                 config.offsetX, config.offsetY);
    setup.rotation = info.video.rotation;
    auto compositor = Compositor::create(setup);
    if (!compositor) return fail(ExportError::compositionFailed(compositor.error()));
    std::unique_ptr<CaptionOverlay> overlay;
    if (!config.story.empty()) {
        CaptionOverlaySetup text;
        text.canvas = {width, height, setup.device.x, setup.device.y, setup.device.w,
                       setup.device.h};
        text.story = config.story;
        text.duration = static_cast<double>(frameCount) / av_q2d(frameRate);
        text.background = config.background;
        text.backgroundImage = setup.backgroundImage;
        TextRenderer renderer;
        auto made = CaptionOverlay::create(text, renderer);
        if (!made) {
            return fail(ExportError::platform(mediaFailure(made.error(), AVERROR(EINVAL))));
        }
        overlay = std::move(*made);
    }
    std::unique_ptr<CameraCompositor> camera;
    if (!config.camera.empty()) {
        std::shared_ptr<const Image> background;
        if (backgroundImage) background = std::make_shared<const Image>(std::move(*backgroundImage));
        camera = std::make_unique<CameraCompositor>(
            setup, target.framed ? frame : nullptr, std::move(background), config.camera,
            1 / av_q2d(frameRate), range->start, range->end);
    }
    std::unique_ptr<TapOverlay> taps;
    if (!config.touches.empty() && config.taps.enabled) {
        taps = std::make_unique<TapOverlay>(
            config.touches, config.taps,
            TapPlacement{width, height, setup.placement, toTopLeftOrigin(screen, height),
                         upright.width, upright.height});
    }
    frame.reset();  // the compositor keeps what it needs
    backgroundImage.reset();

    // Sound; a source whose sound cannot be read exports silent, and the user is told.
    ExportedMovie exported(output);
    std::unique_ptr<AudioReader> audio;
    if (target.sound != ExportTarget::Sound::none && info.hasAudio) {
        auto opened = AudioReader::open(input);
        if (opened) {
            audio = std::move(*opened);
        } else {
            exported.warnings.push_back(soundLostWarning(causeText(opened.error())));
        }
    }

    if (cancelRequested && cancelRequested()) return fail(ExportError::exportCancelled());

    // The destination: a temporary file beside it until the movie is complete.
    auto file = OutputFile::create(output, options_.write);
    if (!file) return fail(fileFailure(file.error()));
    OutputFile& out = **file;

    // libx264 asks for transparent huge pages for its frame buffers, close to a gigabyte at a
    // 1280 x 2596 canvas. Where the kernel must compact memory to find each 2 MB page and clear
    // it (a busy machine, a virtual one), faulting them in took as much processor time as half
    // the encoding itself; plain pages, faulted in as the encoder touches them, cost little,
    // and an encoder that walks its frames in order gains next to nothing from huge ones.
    platform::declineTransparentHugePages();
    PipelineJob job;
    {
        auto muxer = Muxer::create(target.container, out.io(), out.url());
        if (!muxer) return fail(ExportError::exportSessionFailed(muxer.error()));
        const bool globalHeader = (*muxer)->needsGlobalHeader();
        auto video = openTargetVideo(config, target, width, height, frameRate, options_.prores,
                                     globalHeader, encoderThreads);
        if (!video) return fail(ExportError::exportSessionFailed(video.error()));
        auto videoStream = (*muxer)->addStream(std::move(video->encoder), std::move(video->filter));
        if (!videoStream) return fail(ExportError::exportSessionFailed(videoStream.error()));
        job.videoStream = *videoStream;
        if (target.sound == ExportTarget::Sound::always) {
            // The track is part of the target: without it the file is not what was asked for.
            auto audioEncoder = openTargetAudio(config, globalHeader);
            if (!audioEncoder) return fail(ExportError::exportSessionFailed(audioEncoder.error()));
            auto audioStream = (*muxer)->addStream(std::move(*audioEncoder));
            if (!audioStream) return fail(ExportError::exportSessionFailed(audioStream.error()));
            job.audioStream = *audioStream;
        } else if (audio) {
            auto audioEncoder = openTargetAudio(config, globalHeader);
            auto audioStream = audioEncoder ? (*muxer)->addStream(std::move(*audioEncoder))
                                            : Result<int, MediaError>(fail(audioEncoder.error()));
            if (audioStream) {
                job.audioStream = *audioStream;
            } else {
                audio.reset();  // not an error: the movie goes out silent
            }
        }
        auto header = (*muxer)->writeHeader();
        if (!header) return fail(outputFailure(out, header.error()));
        job.muxer = std::move(*muxer);
    }
    job.compositor = std::move(*compositor);
    job.camera = std::move(camera);
    job.overlay = std::move(overlay);
    job.taps = std::move(taps);
    job.audio = std::move(audio);
    job.range = *range;
    if (!timeMap.isRealTime()) job.timeMap = std::make_shared<const TimeMap>(timeMap);
    job.keepFastSound = config.keepFastSound;
    job.frameRate = frameRate;
    job.frameCount = frameCount;
    // MP4 and WebM hold variable timing as well as any player plays it; ProRes editors and
    // GIF's per-picture delays want it constant.
    // Captions change between the pictures of a held frame, so they need every tick, and so do
    // drawn taps. A moving camera changes the picture likewise: the pipeline writes the ticks of
    // a held frame whose view has moved, and leaves out those of a held view.
    job.skipRepeats = variableRate && !config.constantRate && !config.appStore && !job.overlay &&
                      !job.taps &&
                      (target.container == Muxer::Container::mp4 ||
                       target.container == Muxer::Container::webm);
    job.picturesHeldToTheEnd = target.container == Muxer::Container::gif;
    job.injectFault = options_.injectFault;
    return PreparedExport{std::move(*file), std::move(job), std::move(exported)};
}

Result<ExportedMovie, ExportError> AVFExporter::finish(PreparedExport& prepared,
                                                       const PipelineOutcome& outcome,
                                                       const ProgressHandler& progressHandler) {
    // The container must be gone before its file is committed or removed.
    prepared.job.muxer.reset();
    OutputFile& out = *prepared.file;
    ExportedMovie& exported = prepared.exported;
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
            return fail(outputFailure(out, outcome.error));
    }

    if (outcome.soundError) {
        exported.warnings.push_back(soundLostWarning(causeText(*outcome.soundError)));
    }

    auto committed = out.commit();
    if (!committed) return fail(fileFailure(committed.error()));
    if (progressHandler) progressHandler(1.0);
    return exported;
}

AVFExporter::MovieResults AVFExporter::exportVideos(const fs::path& input,
                                                    std::vector<MovieOutput> outputs,
                                                    CancelQuery cancelRequested,
                                                    bool stopAllOnFailure) const {
    using Outcome = Result<ExportedMovie, ExportError>;
    std::vector<std::optional<Outcome>> results(outputs.size());
    // The outputs of each timeline, in the order of each timeline's first output.
    std::vector<std::vector<std::size_t>> timelines;
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        auto same = std::find_if(timelines.begin(), timelines.end(), [&](const auto& timeline) {
            return sharesTimeline(outputs[timeline.front()].config, outputs[i].config);
        });
        if (same == timelines.end()) {
            timelines.push_back({i});
        } else {
            same->push_back(i);
        }
    }

    MovieResults run;
    bool stopped = false;
    auto failed = [&](std::size_t i, const ExportError& error) {
        results[i].emplace(fail(error));
        if (stopAllOnFailure) stopped = true;
    };
    for (const std::vector<std::size_t>& timeline : timelines) {
        if (!stopped && cancelRequested && cancelRequested()) stopped = true;
        if (stopped) {
            for (std::size_t i : timeline) results[i].emplace(fail(ExportError::exportCancelled()));
            continue;
        }
        auto reader = openSource(input);
        if (!reader) {
            for (std::size_t i : timeline) failed(i, reader.error());
            continue;
        }
        // The timeline's encoders run side by side and share the machine's cores.
        std::vector<long long> pixels;
        for (std::size_t i : timeline) {
            const ExportConfig& config = outputs[i].config;
            const bool threaded = exportTarget(config).container != Muxer::Container::gif;
            pixels.push_back(threaded ? std::max<long long>(0, config.width) *
                                            std::max<long long>(0, config.height)
                                      : 0);
        }
        const std::vector<int> threads =
            shareEncoderThreads(pixels, static_cast<int>(std::thread::hardware_concurrency()));
        std::vector<PreparedExport> prepared;
        std::vector<std::size_t> index;  // of each prepared output in `outputs`
        prepared.reserve(timeline.size());
        for (std::size_t k = 0; k < timeline.size(); ++k) {
            const std::size_t i = timeline[k];
            MovieOutput& output = outputs[i];
            auto made = prepare(input, (*reader)->info(), std::move(output.frame), output.config,
                                output.path, cancelRequested, threads[k]);
            if (!made) {
                failed(i, made.error());
                continue;
            }
            prepared.push_back(std::move(*made));
            index.push_back(i);
        }
        if (stopped) {
            for (std::size_t i : index) results[i].emplace(fail(ExportError::exportCancelled()));
            continue;
        }
        if (prepared.empty()) continue;

        std::vector<PipelineJob*> jobs;
        std::vector<ProgressHandler> progress;
        for (std::size_t k = 0; k < prepared.size(); ++k) {
            jobs.push_back(&prepared[k].job);
            progress.push_back(outputs[index[k]].progress);
        }
        const SharedPipelineOutcome shared =
            runSharedPipeline(**reader, jobs, progress, cancelRequested, stopAllOnFailure);
        ++run.decodePasses;
        run.framesDecoded += shared.framesDecoded;
        run.picturesRepeated += shared.picturesRepeated;
        for (const PipelineOutcome& outcome : shared.outcomes) {
            run.picturesComposed += outcome.picturesComposed;
        }
        for (std::size_t k = 0; k < prepared.size(); ++k) {
            Outcome outcome = finish(prepared[k], shared.outcomes[k], progress[k]);
            if (!outcome) {
                const bool cancelled = outcome.error().kind() == ExportError::Kind::exportCancelled;
                if (cancelled || stopAllOnFailure) stopped = true;
            }
            results[index[k]] = std::move(outcome);
        }
    }
    for (std::optional<Outcome>& result : results) run.results.push_back(std::move(*result));
    return run;
}

}  // namespace kestro
