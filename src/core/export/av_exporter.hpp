#pragma once
// The export engine: a recording, trimmed and placed into a device frame, written as an MP4
// (H.264 + AAC over a background) or a MOV (ProRes 4444 keeping alpha).
//
// One call runs one export; an AVFExporter holds nothing between calls, so two exports may run
// at once from different threads.
//
// Threads of one export and what each owns:
//   the caller's thread   sets everything up, then only watches: it polls `cancelRequested`
//                         and calls `progressHandler` (both from here, never from the workers),
//                         and when the workers are done it commits or discards the output.
//   "kestro-decode"       owns the VideoReader: demuxes and decodes (libavcodec adds its own
//                         frame threads) and picks, for every output tick, the latest source
//                         frame at or before it.
//   "kestro-compose"      owns the Compositor: scales the screen box out of each picked frame
//                         and blends it into a canvas picture.
//   "kestro-encode"       owns the Muxer (encoders and container) and the AudioReader: encodes
//                         the pictures, the sound up to the same time, and writes the file.
// The stages hand frames on through small bounded queues, so they overlap, and the canvas
// pictures come from a fixed set sized to what the stages can hold at once (the compositor
// waits for one to be released), so the memory in flight stays a few frames. Shared between
// threads are only: the queues, the picture set, an atomic stop flag, an atomic count of
// encoded frames (for progress) and the first failure (under a mutex). A cancel, a failure
// in any stage, or any stage ending before its work is done (whatever the reason: all leave
// through one exit path) sets the stop flag, aborts the queues and wakes a compositor waiting
// for a picture; every stage notices it within one frame, and the caller joins them before
// returning.
//
// exportVideos writes several movies of one recording in one run. Outputs that show the same
// timeline (sharesTimeline: the same trim and speeds; size, format, frame rate, canvas and
// tracks drawn over it may differ) share one pipeline with one "kestro-decode" thread, which
// reads and decodes the recording once and hands each output's "kestro-compose" thread its
// own reference to each decoded picture it shows; each output has its own compose and encode
// threads, queues, picture set, temporary file and failure (export_pipeline.hpp says how a stop
// spreads). Outputs of another timeline run in a pipeline of their own, one timeline after the
// other. The sound is read by each output's encode thread on its own (it is small next to the
// pictures, and each output may cut it differently).

#include "core/export/export_config.hpp"
#include "core/export/export_error.hpp"
#include "core/export/exported_movie.hpp"
#include "core/export/pipeline_stage.hpp"
#include "core/media/prores_encoder.hpp"
#include "core/media/write_function.hpp"
#include "core/model/image.hpp"
#include "core/result.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kestro {

struct MovieInfo;
struct PipelineOutcome;
struct PreparedExport;

class AVFExporter {
public:
    using ProgressHandler = std::function<void(double)>;
    using CancelQuery = std::function<bool()>;

    struct Options {
        // How the output's bytes are written; tests substitute one that fails like a full disk.
        WriteFunction write;
        // The ProRes encoder of MOV exports. Measured on a 1280 x 2596 framed screen recording
        // (60 frames, same input): prores_aw took half the CPU time of prores_ks (14.0 s
        // against 28.7 s) and wrote smaller files, at 64 dB luma / 61 dB alpha PSNR against
        // 75 dB / lossless for prores_ks: both far beyond what an eye can tell apart, so the
        // faster one wins.
        ProResEncoder prores = ProResEncoder::aw;
        // Tests only: makes a stage of the running export quit (see PipelineJob::injectFault).
        std::function<bool(PipelineStage, std::int64_t tick)> injectFault;
    };

    AVFExporter() = default;
    explicit AVFExporter(Options options) : options_(std::move(options)) {}

    // Writes `output` and returns it, with warnings for what the user should know (the sound
    // could not be read: the movie is silent from where it failed). `frame` is the trimmed frame image drawn over the video
    // (null for none); the exporter lets go of it once the constant canvas is made, so a caller
    // that hands over its only reference does not hold the image through the whole export.
    // The movie goes to a temporary file next to `output` and
    // replaces it only when complete: a failed or cancelled export leaves an earlier file there
    // untouched and nothing half-written behind.
    //
    // progressHandler: the fraction done, per frame but at most about 10 times a second, never
    //   decreasing, below 1 while working and exactly 1.0 once, on success.
    // cancelRequested: polled at least once per frame (about every 20 ms); true stops the export
    //   within 100 ms with ExportError::exportCancelled.
    //
    // Output: ticks at config.fps when given, else at the source's capture rate
    // (exportFrameRate: a constant-rate source keeps its own rate exactly, 30 when unknown, 1
    // for slideshows below 1 fps), from 0 to the trimmed duration; each tick shows the latest
    // source frame at or before its time (or up to a quarter tick after it). An MP4 or WebM of
    // a variable-rate source writes only the ticks whose picture changes, unless
    // config.constantRate. The sound is cut to the same range to the sample.
    Result<ExportedMovie, ExportError> exportVideo(
        const std::filesystem::path& input, std::shared_ptr<const Image> frame,
        const ExportConfig& config, const std::filesystem::path& output,
        ProgressHandler progressHandler = {}, CancelQuery cancelRequested = {}) const;

    // One movie of exportVideos: what exportVideo takes for one.
    struct MovieOutput {
        std::shared_ptr<const Image> frame;
        ExportConfig config;
        std::filesystem::path path;
        ProgressHandler progress;  // called from the caller's thread, as exportVideo's
    };

    struct MovieResults {
        std::vector<Result<ExportedMovie, ExportError>> results;  // one per output, in order
        int decodePasses = 0;  // how many times the recording was read and decoded
        std::int64_t framesDecoded = 0;  // pictures decoded in all those passes
        std::int64_t picturesRepeated = 0;  // of those, equal to the picture before
        std::int64_t picturesComposed = 0;  // canvases composed, all outputs together
    };

    // Writes every output as exportVideo would write it alone, with the same safety: each goes
    // to a temporary file that replaces its destination only when complete. One failing output
    // does not stop the others, unless `stopAllOnFailure`: then the first failure stops every
    // output not yet finished, and those, like every output after a cancel, end with
    // ExportError::exportCancelled.
    MovieResults exportVideos(const std::filesystem::path& input, std::vector<MovieOutput> outputs,
                              CancelQuery cancelRequested = {},
                              bool stopAllOnFailure = false) const;

private:
    // Everything before the pipeline runs: checks the request and sets up the output's stages
    // and its temporary file. Nothing is decoded yet.
    Result<PreparedExport, ExportError> prepare(const std::filesystem::path& input,
                                                const MovieInfo& info,
                                                std::shared_ptr<const Image> frame,
                                                const ExportConfig& config,
                                                const std::filesystem::path& output,
                                                const CancelQuery& cancelRequested,
                                                int encoderThreads = 0) const;
    // After the pipeline: the file committed, or the outcome told as the user's error.
    static Result<ExportedMovie, ExportError> finish(PreparedExport& prepared,
                                                     const PipelineOutcome& outcome,
                                                     const ProgressHandler& progressHandler);

    Options options_;
};

}  // namespace kestro
