#pragma once
// The running part of an export: the decode, compose and encode threads and the caller's watch
// over them (the thread rules are written in av_exporter.hpp). Everything here is already set
// up and validated; the pipeline only moves frames.

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

namespace kestro {

struct PipelineJob {
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
    // A tick that repeats the previous tick's picture is not written (the last tick always is,
    // so the movie keeps its length): the container then shows each picture until the next.
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
};

// Runs the job to its end on three worker threads, watching from the caller's thread:
// `progress` gets the fraction of frames encoded (throttled, increasing, below 1) and `cancel`
// is polled every ~20 ms. When this returns, every worker has been joined.
PipelineOutcome runPipeline(PipelineJob& job, const std::function<void(double)>& progress,
                            const std::function<bool()>& cancel);

}  // namespace kestro
