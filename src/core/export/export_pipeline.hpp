#pragma once
// The running part of an export: the decode, compose and encode threads and the caller's watch
// over them (the thread rules are written in av_exporter.hpp). Everything here is already set
// up and validated; the pipeline only moves frames.
//
// Several jobs over the same timeline of one recording (the same trimmed range at the same
// speeds) run as one pipeline with one decode thread: it reads and decodes the recording once
// and, for each job, picks the frame of each of that job's ticks and hands it on as a new
// reference to the same decoded picture (av_frame_ref), so the jobs share the pixels and each
// job's compose stage only reads them. Each job keeps its own compose and encode threads, its
// own bounded queues and its own stop flag and failure:
//   - a job that fails, or whose stage quits, stops alone: its queues are aborted, the decode
//     thread's next hand-over to it fails and the decode thread leaves it out from then on;
//   - a failure of the source (reading, decoding, a cut-off file) fails every job still running;
//   - a cancel stops every job, and so does any failure when the caller asks to stop all.
// The decode thread waits on the fullest queue, so the jobs go at the pace of the slowest, and
// the decoded pictures in flight stay a few per job.

#include "core/export/camera_compositor.hpp"
#include "core/export/caption_overlay.hpp"
#include "core/export/compositor.hpp"
#include "core/export/pipeline_stage.hpp"
#include "core/export/render_geometry.hpp"
#include "core/export/tap_overlay.hpp"
#include "core/media/audio_reader.hpp"
#include "core/media/media_error.hpp"
#include "core/media/muxer.hpp"
#include "core/media/video_reader.hpp"
#include "core/model/time_map.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kestro {

struct PipelineJob {
    // The source of runPipeline; jobs run by runSharedPipeline read the reader given there.
    std::unique_ptr<VideoReader> video;
    std::unique_ptr<Compositor> compositor;
    // Null: the camera stays at 1x. Otherwise it composes the zoomed ticks, and every tick is
    // composed anew whose view differs from the one before, held source frame or not.
    std::unique_ptr<CameraCompositor> camera;
    std::unique_ptr<CaptionOverlay> overlay;  // null: no captions or titles
    std::unique_ptr<TapOverlay> taps;         // null: no touches drawn
    std::unique_ptr<Muxer> muxer;
    int videoStream = 0;
    std::unique_ptr<AudioReader> audio;  // null: silence on audioStream, if there is one
    int audioStream = -1;                // -1: no sound track
    TrimRange range;
    // How the output's clock runs over the recording; null: real time over `range`.
    std::shared_ptr<const TimeMap> timeMap;
    bool keepFastSound = false;  // see SpedSound
    AVRational frameRate{30, 1};  // exact; a tick lasts its inverse
    int64_t frameCount = 1;       // output ticks
    // A tick that repeats the previous tick's picture (the same source frame, under the same
    // view of the camera) is not written (the last tick always is, so the movie keeps its
    // length): the container then shows each picture until the next.
    bool skipRepeats = false;
    // The encoder's filter keeps every picture until the end (a GIF's palette pass): encoding
    // then happens while the movie is finished, and progress counts both halves.
    bool picturesHeldToTheEnd = false;
    // For tests: asked by each stage before it handles a tick; true makes the stage quit there
    // without a word, as a stage that forgets to report its failure would. It may also throw.
    std::function<bool(PipelineStage, int64_t tick)> injectFault;
};

// How a pipeline ended.
struct PipelineOutcome {
    enum class Kind {
        done,
        cancelled,
        sourceFailed,     // reading or decoding the source; `error` holds FFmpeg's message
        sourceTruncated,  // the source ran out of pictures before its announced end
        outputFailed,     // encoding or writing; `error` holds FFmpeg's message
    };
    Kind kind = Kind::done;
    MediaError error;
    // Done, but the sound failed to read part-way (or to seek): the rest of it is silence.
    std::optional<MediaError> soundError;
    // Canvases composed anew; the ticks that show a held or repeated picture reuse the last.
    std::int64_t picturesComposed = 0;
};

// Runs the job to its end on three worker threads, watching from the caller's thread:
// `progress` gets the fraction of frames encoded (throttled, increasing, below 1) and `cancel`
// is polled every ~20 ms. When this returns, every worker has been joined.
PipelineOutcome runPipeline(PipelineJob& job, const std::function<void(double)>& progress,
                            const std::function<bool()>& cancel);

struct SharedPipelineOutcome {
    std::vector<PipelineOutcome> outcomes;  // one per job, in the jobs' order
    std::int64_t framesDecoded = 0;         // pictures the decode thread took from the reader
    // Of those, pictures equal to the one before (see samePicture), handed on as held ones.
    std::int64_t picturesRepeated = 0;
};

// Runs `jobs` off one read of `reader`; they must share `range` and `timeMap` (their frame
// rates, canvases and formats may differ). `progress` holds one handler per job (each may be
// empty), called from the caller's thread like runPipeline's. A job whose outcome is not done
// was stopped by a cancel (kind cancelled), by its own failure, by the source's, or, with
// `stopAllOnFailure`, by another job's failure (kind cancelled). When this returns, every
// worker has been joined.
SharedPipelineOutcome runSharedPipeline(VideoReader& reader, const std::vector<PipelineJob*>& jobs,
                                        const std::vector<std::function<void(double)>>& progress,
                                        const std::function<bool()>& cancel,
                                        bool stopAllOnFailure);

}  // namespace kestro
