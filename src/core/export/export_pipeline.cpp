#include "core/export/export_pipeline.hpp"

#include "core/export/sped_sound.hpp"
#include "core/media/av_error.hpp"
#include "core/media/bounded_queue.hpp"
#include "core/media/same_picture.hpp"
#include "core/thread_name.hpp"

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>

namespace kestro {

namespace {

using Clock = std::chrono::steady_clock;

// Queue depths: enough for the stages to run ahead of each other by a frame or two, little
// enough that a 1440p MOV export holds few canvases in memory.
constexpr size_t kPickedDepth = 3;
constexpr size_t kComposedDepth = 1;
// Sound is encoded this far ahead of the pictures so the muxer can always interleave.
constexpr double kAudioLead = 0.5;
constexpr auto kWatchInterval = std::chrono::milliseconds(20);
constexpr auto kProgressInterval = std::chrono::milliseconds(100);
// A sped-up export jumps to a later keyframe instead of decoding up to it when that skips at
// least this much of the recording.
constexpr double kKeyframeJump = 0.1;

struct Picked {
    AVFramePtr frame;  // null when the tick repeats the previous tick's frame
    int64_t tick = 0;
};

struct Composed {
    AVFramePtr frame;
    int64_t tick = 0;
};

const char* stageName(PipelineStage stage) {
    switch (stage) {
        case PipelineStage::decode:
            return "decoding";
        case PipelineStage::compose:
            return "composing";
        case PipelineStage::encode:
            return "encoding";
    }
    return "work";
}

MediaError stoppedEarly(PipelineStage stage) {
    return mediaFailure(std::string("The export's ") + stageName(stage) + " stopped before the end",
                        AVERROR_BUG);
}

// With KESTRO_STAGE_TIMES set, each stage says on standard error how much processor time
// it took: the benchmark tells the per-frame composition apart from the encoder this way.
void reportStageTime(const char* threadName) {
    if (!std::getenv("KESTRO_STAGE_TIMES")) return;
    timespec used{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used) != 0) return;
    std::fprintf(stderr, "%s: %.3f s CPU\n", threadName,
                 static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9);
}

// How many workers have ended, for the caller's watch.
class WorkerCount {
public:
    void finished() {
        std::lock_guard lock(mutex_);
        ++finished_;
        cv_.notify_all();
    }
    // Waits a little for a worker to end; true once `total` have.
    bool waitAll(int total, Clock::duration interval) {
        std::unique_lock lock(mutex_);
        cv_.wait_for(lock, interval, [&] { return finished_ >= total; });
        return finished_ >= total;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    int finished_ = 0;
};

// One job of the pipeline: what the decode thread picks for its ticks (on the decode thread),
// its compose and encode workers, and its own stop flag and failure.
class Lane {
public:
    Lane(PipelineJob& job, WorkerCount& workers)
        : job_(job), workers_(workers), picked_(kPickedDepth), composed_(kComposedDepth) {}

    const PipelineJob& job() const { return job_; }

    // Before any thread starts. False: the lane failed and runs no workers.
    bool prepare() {
        // Canvas pictures for every stage that can hold one at once: the one being composed,
        // the queue, and what the encoder keeps (a frame-threaded encoder keeps one per thread
        // and one waiting; others copy the picture before they return).
        const AVCodecContext& encoder = job_.muxer->encoder(job_.videoStream);
        const int encoderHeld =
            (encoder.active_thread_type & FF_THREAD_FRAME) ? encoder.thread_count + 1 : 1;
        const int pictureCount = 1 + static_cast<int>(kComposedDepth) + encoderHeld;
        auto pictures = job_.compositor->allocatePictures(pictureCount);
        if (job_.camera) job_.camera->setPictureCount(pictureCount);
        if (!pictures) {
            failWith(PipelineOutcome::Kind::outputFailed, pictures.error());
            return false;
        }
        return true;
    }

    void startWorkers(std::vector<std::thread>& threads) {
        threads.emplace_back([this] {
            runStage("kestro-compose", PipelineStage::compose, [this] { return composeAll(); });
        });
        threads.emplace_back([this] {
            runStage("kestro-encode", PipelineStage::encode, [this] {
                encodeDone_ = encodeAll();
                return encodeDone_.load();
            });
        });
    }

    void stop() {
        stopping_ = true;
        picked_.abort();
        composed_.abort();
        job_.compositor->interrupt();
        if (job_.camera) job_.camera->interrupt();
    }

    // Stopped because another lane failed and the caller wanted all to stop then; a lane whose
    // file is already finished is left as it is.
    void stopForOthers() {
        if (encodeDone_) return;
        stoppedForOthers_ = true;
        stop();
    }

    void failWith(PipelineOutcome::Kind kind, MediaError error) {
        {
            std::lock_guard lock(failureMutex_);
            if (!failure_) failure_ = PipelineOutcome{kind, std::move(error)};
        }
        stop();
    }

    bool stopping() const { return stopping_; }

    bool failed() {
        std::lock_guard lock(failureMutex_);
        return failure_.has_value();
    }

    // The fraction of the work done, for progress.
    double done() const {
        const double done = job_.picturesHeldToTheEnd
                                ? 0.5 * static_cast<double>(encoded_.load() + flushed_.load())
                                : static_cast<double>(encoded_.load());
        return std::min(0.99, done / static_cast<double>(job_.frameCount));
    }

    // Once the workers are joined.
    PipelineOutcome outcome(bool cancelled) {
        if (cancelled || stoppedForOthers_) return PipelineOutcome{PipelineOutcome::Kind::cancelled, {}};
        std::lock_guard lock(failureMutex_);
        if (failure_) return *failure_;
        PipelineOutcome done;
        done.soundError = soundError_;  // the encode thread that wrote it has been joined
        done.picturesComposed = composedCount_.load();
        return done;
    }

    // Decode thread: picking -------------------------------------------------------------

    // The source's clock; before the first frame is offered.
    void setSourceTimeBase(AVRational tb) {
        tb_ = tb;
        startTs_ = std::llround(job_.range.start / av_q2d(tb));
    }

    // Every tick has been handed on.
    bool pickingDone() const { return tick_ >= job_.frameCount; }

    // Still takes frames: neither done nor stopped.
    bool taking() const { return !pickingDone() && !stopping_; }

    // The latest recording time (seconds) the next tick shows under a time map, with the grace
    // given below: a quarter tick, of the recording's clock where it runs slower.
    double sourceLimit() const { return sourceLimit(tick_); }

    // A new decoded frame, `serial` in decoding order. Every tick before its time shows the
    // frame held so far (or this one, when the source starts after the tick). A frame up to a
    // quarter tick late still belongs to the tick: Matroska rounds times to the millisecond,
    // which puts every third 30 fps picture a third of a millisecond after its tick. False: the
    // lane takes no more frames (it stopped).
    bool offer(const DecodedFrame* held, int64_t heldSerial, const DecodedFrame& frame,
               int64_t serial) {
        const TimeMap* map = job_.timeMap.get();
        const AVRational tickBase = av_inv_q(job_.frameRate);
        auto after = [&] {
            return map ? frame.time > sourceLimit(tick_) + 1e-9
                       : av_compare_ts(4 * (frame.pts - startTs_), tb_, 4 * tick_ + 1, tickBase) >
                             0;
        };
        while (tick_ < job_.frameCount && after()) {
            if (!(held ? send(*held, heldSerial) : send(frame, serial))) return false;
        }
        if (pickingDone()) picked_.close();
        return true;
    }

    // The recording ended: every tick left shows the frame held last.
    void finish(const DecodedFrame& held, int64_t heldSerial) {
        while (tick_ < job_.frameCount) {
            if (!send(held, heldSerial)) return;
        }
        picked_.close();
    }

private:
    double sourceLimit(int64_t t) const {
        const TimeMap& map = *job_.timeMap;
        const double fps = av_q2d(job_.frameRate);
        const double at = static_cast<double>(t) / fps;
        return std::min(map.sourceAt(at + 0.25 / fps), map.sourceAt(at) + 0.25 / fps);
    }

    bool send(const DecodedFrame& frame, int64_t frameSerial) {
        if (faultInjected(PipelineStage::decode, tick_)) {
            if (!stopping_) failWith(PipelineOutcome::Kind::outputFailed, stoppedEarly(PipelineStage::decode));
            return false;
        }
        Picked item;
        item.tick = tick_++;
        // A repeated frame is left out (the tick before it is shown longer) unless the camera
        // has moved since the tick last handed on: a held view repeats its picture as well.
        CanvasView view;
        if (job_.skipRepeats && job_.camera) view = job_.camera->viewAt(recordingTime(item.tick));
        if (job_.skipRepeats && frameSerial == lastSent_ && tick_ < job_.frameCount &&
            view == lastSentView_) {
            return true;
        }
        lastSentView_ = view;
        if (frameSerial != lastSent_) {
            item.frame = refFrame(*frame.frame);
            if (!item.frame) {
                failWith(PipelineOutcome::Kind::sourceFailed, mediaError(AVERROR(ENOMEM)));
                return false;
            }
            lastSent_ = frameSerial;
        }
        return picked_.push(std::move(item));
    }

    // The recording's time a tick shows: the camera and the touches keep the recording's
    // clock, which speed changes stretch.
    double recordingTime(int64_t tick) const {
        const double output = static_cast<double>(tick) / av_q2d(job_.frameRate);
        return job_.timeMap ? job_.timeMap->sourceAt(output) : job_.range.start + output;
    }

    bool faultInjected(PipelineStage stage, int64_t tick) const {
        return job_.injectFault && job_.injectFault(stage, tick);
    }

    // The one way each of this lane's workers ends. `body` returns true only when the stage has
    // done all its work; any other ending (a failure, a stop, a forgotten report, an exception)
    // stops the lane here, so its other stage is never left waiting on a queue nobody serves,
    // and the watch always sees every worker finish.
    template <class Body>
    void runStage(const char* threadName, PipelineStage stage, Body body) {
        nameThisThread(threadName);
        bool completed = false;
        try {
            completed = body();
        } catch (const std::bad_alloc&) {
            failWith(PipelineOutcome::Kind::outputFailed, mediaError(AVERROR(ENOMEM)));
        } catch (const std::exception& e) {
            failWith(PipelineOutcome::Kind::outputFailed,
                     mediaFailure(
                         std::string("The export's ") + stageName(stage) + " failed: " + e.what(),
                         AVERROR_BUG));
        }
        reportStageTime(threadName);
        if (!completed) {
            // Recorded only when nothing else was: a cancel or an earlier failure explains it.
            if (!stopping_) failWith(PipelineOutcome::Kind::outputFailed, stoppedEarly(stage));
            stop();
        }
        workers_.finished();
    }

    // Compose thread: one canvas picture per tick; a repeated source frame reuses the last one.
    bool composeAll() {
        AVFramePtr last;
        AVFramePtr lastSource;  // with a camera: a held frame may need a new view
        CanvasView lastView;
        while (auto item = picked_.pop()) {
            if (faultInjected(PipelineStage::compose, item->tick)) return false;
            AVFramePtr out;
            double t = 0;
            CanvasView view;
            if (job_.camera) {
                t = recordingTime(item->tick);
                view = job_.camera->viewAt(t);
                if (item->frame) {
                    lastSource = refFrame(*item->frame);
                } else if (lastSource && !(view == lastView)) {
                    item->frame = refFrame(*lastSource);
                }
                lastView = view;
            }
            if (item->frame) {
                last.reset();  // its picture may be needed for this one
                auto composed = job_.camera
                                    ? job_.camera->compose(*item->frame, t, *job_.compositor)
                                    : job_.compositor->compose(*item->frame);
                if (!composed) {
                    if (!stopping_) failWith(PipelineOutcome::Kind::outputFailed, composed.error());
                    return false;
                }
                out = std::move(*composed);
                composedCount_.fetch_add(1);
                last = refFrame(*out);
            } else if (last) {
                out = refFrame(*last);
            }
            if (out && job_.taps) {
                // Drawn over the finished picture, where the camera shows the recording.
                const double at = recordingTime(item->tick);
                auto tapped = job_.taps->apply(*out, at,
                                               job_.camera ? job_.camera->viewAt(at) : CanvasView{});
                if (!tapped) {
                    failWith(PipelineOutcome::Kind::outputFailed, tapped.error());
                    return false;
                }
                out = std::move(*tapped);
            }
            if (out && job_.overlay) {
                auto captioned = job_.overlay->apply(
                    *out, static_cast<double>(item->tick) / av_q2d(job_.frameRate));
                if (!captioned) {
                    failWith(PipelineOutcome::Kind::outputFailed, captioned.error());
                    return false;
                }
                out = std::move(*captioned);
            }
            if (!out) {
                failWith(PipelineOutcome::Kind::outputFailed, mediaError(AVERROR(ENOMEM)));
                return false;
            }
            out->pts = item->tick;
            out->pict_type = AV_PICTURE_TYPE_NONE;
            if (!composed_.push(Composed{std::move(out), item->tick})) return false;
        }
        // An aborted queue also ends the loop: only a closed one means every tick came.
        if (stopping_) return false;
        composed_.close();
        return true;
    }

    bool pumpAudio(int64_t untilSample) {
        if (job_.audioStream < 0) return true;
        AVCodecContext& enc = job_.muxer->encoder(job_.audioStream);
        const int frameSize = enc.frame_size > 0 ? enc.frame_size : 1024;
        untilSample = std::min(untilSample, audioTotal_);
        while (audioSent_ < untilSample && !stopping_) {
            if (!audioFrame_) {
                audioFrame_ = makeFrame();
                if (!audioFrame_) {
                    failWith(PipelineOutcome::Kind::outputFailed, mediaError(AVERROR(ENOMEM)));
                    return false;
                }
                // Planar float is what is written below; the muxer converts it for encoders
                // that take another layout.
                audioFrame_->format = AV_SAMPLE_FMT_FLTP;
                audioFrame_->sample_rate = enc.sample_rate;
                audioFrame_->nb_samples = frameSize;
                if (av_channel_layout_copy(&audioFrame_->ch_layout, &enc.ch_layout) < 0 ||
                    av_frame_get_buffer(audioFrame_.get(), 0) < 0) {
                    failWith(PipelineOutcome::Kind::outputFailed, mediaError(AVERROR(ENOMEM)));
                    return false;
                }
            }
            if (av_frame_make_writable(audioFrame_.get()) < 0) {
                failWith(PipelineOutcome::Kind::outputFailed, mediaError(AVERROR(ENOMEM)));
                return false;
            }
            const int n = static_cast<int>(std::min<int64_t>(frameSize, audioTotal_ - audioSent_));
            auto* left = reinterpret_cast<float*>(audioFrame_->extended_data[0]);
            auto* right = reinterpret_cast<float*>(audioFrame_->extended_data[1]);
            int got = 0;
            if (!audioEnded_) {
                auto read = sped_ ? sped_->read(left, right, n) : job_.audio->read(left, right, n);
                // Damaged or missing sound only costs sound: the rest becomes silence.
                if (read) got = *read;
                if (!read) soundError_ = read.error();
                if (!read || got < n) audioEnded_ = true;
            }
            std::fill(left + got, left + n, 0.0f);
            std::fill(right + got, right + n, 0.0f);
            audioFrame_->nb_samples = n;
            audioFrame_->pts = audioSent_;
            auto encoded = job_.muxer->encode(job_.audioStream, audioFrame_.get());
            if (!encoded) {
                failWith(PipelineOutcome::Kind::outputFailed, encoded.error());
                return false;
            }
            audioSent_ += n;
        }
        return !stopping_;
    }

    // Encode thread: pictures, the sound alongside, then the trailer.
    bool encodeAll() {
        Muxer& muxer = *job_.muxer;
        const double length = job_.timeMap ? job_.timeMap->outputDuration() : job_.range.duration();
        audioTotal_ = std::llround(length * AudioReader::kSampleRate);
        if (job_.audio) {
            if (job_.timeMap) {
                sped_ = std::make_unique<SpedSound>(*job_.audio, *job_.timeMap, job_.keepFastSound);
            }
            auto seeked = sped_ ? sped_->start() : job_.audio->seek(job_.range.start);
            if (!seeked) {
                soundError_ = seeked.error();
                audioEnded_ = true;
            }
        } else {
            audioEnded_ = true;  // a sound track without a source is silence throughout
        }
        while (auto item = composed_.pop()) {
            if (faultInjected(PipelineStage::encode, item->tick)) return false;
            auto encoded = muxer.encode(job_.videoStream, item->frame.get());
            if (!encoded) {
                failWith(PipelineOutcome::Kind::outputFailed, encoded.error());
                return false;
            }
            item->frame.reset();
            const double until =
                static_cast<double>(item->tick + 1) / av_q2d(job_.frameRate) + kAudioLead;
            if (!pumpAudio(std::llround(until * AudioReader::kSampleRate))) return false;
            encoded_.store(item->tick + 1);
        }
        if (stopping_ || encoded_.load() < job_.frameCount) return false;
        if (!pumpAudio(audioTotal_)) return false;
        // A cancel reaches a long finish (a GIF's palette pass) between two pictures.
        auto finished = muxer.finish([this] {
            flushed_.fetch_add(1);
            return !stopping_;
        });
        if (!finished) {
            if (stopping_) return false;
            failWith(PipelineOutcome::Kind::outputFailed, finished.error());
            return false;
        }
        return true;
    }


    PipelineJob& job_;
    WorkerCount& workers_;
    BoundedQueue<Picked> picked_;
    BoundedQueue<Composed> composed_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> stoppedForOthers_{false};
    std::atomic<bool> encodeDone_{false};  // the file is complete
    std::atomic<int64_t> encoded_{0};
    std::atomic<int64_t> flushed_{0};  // pictures the encoder's filter let go while finishing
    std::atomic<int64_t> composedCount_{0};  // canvases composed anew

    std::mutex failureMutex_;
    std::optional<PipelineOutcome> failure_;

    // Decode thread only.
    AVRational tb_{1, 1};
    int64_t startTs_ = 0;
    int64_t tick_ = 0;
    int64_t lastSent_ = -1;  // serial of the frame last handed on
    CanvasView lastSentView_;  // the camera's view at the tick last handed on

    // Encode thread only.
    AVFramePtr audioFrame_;
    std::unique_ptr<SpedSound> sped_;  // the sound under a time map
    int64_t audioTotal_ = 0;
    int64_t audioSent_ = 0;
    bool audioEnded_ = false;
    std::optional<MediaError> soundError_;
};

// The decode thread: reads the recording once and offers each decoded frame to every lane still
// taking frames.
class SharedDecode {
public:
    SharedDecode(VideoReader& reader, std::vector<Lane*> lanes, WorkerCount& workers)
        : reader_(reader), lanes_(std::move(lanes)), workers_(workers) {}

    void run() {
        nameThisThread("kestro-decode");
        try {
            decodeAll();
        } catch (const std::bad_alloc&) {
            failTaking(PipelineOutcome::Kind::outputFailed, mediaError(AVERROR(ENOMEM)));
        } catch (const std::exception& e) {
            failTaking(PipelineOutcome::Kind::outputFailed,
                       mediaFailure(std::string("The export's decoding failed: ") + e.what(),
                                    AVERROR_BUG));
        }
        reportStageTime("kestro-decode");
        // A lane left short of ticks without a stop explaining it would wait for ever.
        for (Lane* lane : lanes_) {
            if (lane->taking()) {
                if (!stopping_) lane->failWith(PipelineOutcome::Kind::outputFailed, stoppedEarly(PipelineStage::decode));
                lane->stop();
            }
        }
        workers_.finished();
    }

    void stop() { stopping_ = true; }

    int64_t framesDecoded() const { return framesDecoded_.load(); }
    int64_t picturesRepeated() const { return picturesRepeated_.load(); }

private:
    void failTaking(PipelineOutcome::Kind kind, const MediaError& error) {
        for (Lane* lane : lanes_) {
            if (lane->taking()) lane->failWith(kind, error);
        }
    }

    bool anyTaking() const {
        return std::any_of(lanes_.begin(), lanes_.end(), [](const Lane* lane) { return lane->taking(); });
    }

    void decodeAll() {
        // Every lane has the same trim and speeds; a lane's grid may start up to a quarter of its
        // tick later, on its first picture, so decoding starts from the earliest lane's start.
        const PipelineJob& first = lanes_.front()->job();
        const AVRational tb = reader_.info().video.timeBase;
        double start = first.range.start;
        for (Lane* lane : lanes_) {
            lane->setSourceTimeBase(tb);
            start = std::min(start, lane->job().range.start);
        }
        if (start > 0) {
            auto seeked = reader_.seekKeyframe(start);
            if (!seeked) {
                failTaking(PipelineOutcome::Kind::sourceFailed, seeked.error());
                return;
            }
        }

        // Frames are told apart by their decoding order: an address may be reused by the next.
        std::optional<DecodedFrame> held;
        int64_t heldSerial = -1;
        int64_t serial = -1;
        const TimeMap* map = first.timeMap.get();
        // The keyframe decoding last went on from: each jump goes to a later one. Should an
        // index mislead the seek to pictures before the held one, they are decoded through
        // (and dropped) rather than sought again and again.
        std::optional<double> jumpedTo;
        while (!stopping_ && anyTaking()) {
            if (map && held) {
                // Pictures no tick shows are not decoded: when a keyframe lies well past the
                // held picture and still before the next tick's time of every lane, decoding
                // goes on there.
                double target = std::numeric_limits<double>::infinity();
                for (const Lane* lane : lanes_) {
                    if (lane->taking()) target = std::min(target, lane->sourceLimit());
                }
                const auto keyframe = reader_.keyframeAtOrBefore(target);
                if (keyframe && *keyframe > held->time + kKeyframeJump &&
                    (!jumpedTo || *keyframe > *jumpedTo)) {
                    jumpedTo = keyframe;
                    auto seeked = reader_.seekKeyframe(target);
                    if (!seeked) {
                        failTaking(PipelineOutcome::Kind::sourceFailed, seeked.error());
                        return;
                    }
                }
            }
            auto next = reader_.next();
            if (!next) {
                failTaking(PipelineOutcome::Kind::sourceFailed, next.error());
                return;
            }
            if (!*next) {
                if (!held || reader_.endedEarly()) {
                    failTaking(PipelineOutcome::Kind::sourceTruncated,
                               mediaFailure(held ? "The movie ends before its stated length"
                                                 : "The movie holds no picture to export",
                                            AVERROR_INVALIDDATA));
                    return;
                }
                for (Lane* lane : lanes_) {
                    if (lane->taking()) lane->finish(*held, heldSerial);
                }
                return;
            }
            framesDecoded_.fetch_add(1);
            DecodedFrame& frame = **next;
            // After a jump, a picture shown before the held one belongs to no later tick.
            if (map && held && frame.time < held->time) continue;
            // A picture equal to the one before keeps its number: the lanes treat its ticks as
            // held ones, so it is neither composed nor, with variable timing, encoded again.
            if (held && samePicture(*held->frame, *frame.frame)) {
                picturesRepeated_.fetch_add(1);
            } else {
                ++serial;
            }
            for (Lane* lane : lanes_) {
                // A lane that stops here is left out from now on.
                if (lane->taking()) (void)lane->offer(held ? &*held : nullptr, heldSerial, frame, serial);
            }
            held = std::move(frame);
            heldSerial = serial;
        }
    }

    VideoReader& reader_;
    std::vector<Lane*> lanes_;
    WorkerCount& workers_;
    std::atomic<bool> stopping_{false};
    std::atomic<int64_t> framesDecoded_{0};
    std::atomic<int64_t> picturesRepeated_{0};
};

}  // namespace

SharedPipelineOutcome runSharedPipeline(VideoReader& reader, const std::vector<PipelineJob*>& jobs,
                                        const std::vector<std::function<void(double)>>& progress,
                                        const std::function<bool()>& cancel,
                                        bool stopAllOnFailure) {
    WorkerCount workers;
    std::vector<std::unique_ptr<Lane>> lanes;
    std::vector<Lane*> running;
    for (PipelineJob* job : jobs) {
        lanes.push_back(std::make_unique<Lane>(*job, workers));
        if (lanes.back()->prepare()) running.push_back(lanes.back().get());
    }

    SharedPipelineOutcome result;
    bool cancelled = false;
    if (!running.empty()) {
        SharedDecode decode(reader, running, workers);
        std::vector<std::thread> threads;
        threads.emplace_back([&decode] { decode.run(); });
        for (Lane* lane : running) lane->startWorkers(threads);
        const int total = static_cast<int>(threads.size());

        auto stopAll = [&] {
            decode.stop();
            for (Lane* lane : running) lane->stop();
        };
        std::vector<double> reported(lanes.size(), -1);
        std::vector<Clock::time_point> lastReport(lanes.size());
        bool othersStopped = false;
        while (!workers.waitAll(total, kWatchInterval)) {
            if (!cancelled && cancel && cancel()) {
                cancelled = true;
                stopAll();
            }
            if (stopAllOnFailure && !othersStopped && !cancelled) {
                const auto failed = std::find_if(running.begin(), running.end(),
                                                 [](Lane* lane) { return lane->failed(); });
                if (failed != running.end()) {
                    othersStopped = true;
                    decode.stop();
                    for (Lane* lane : running) {
                        if (lane != *failed) lane->stopForOthers();
                    }
                }
            }
            const auto now = Clock::now();
            for (std::size_t i = 0; i < lanes.size() && !cancelled; ++i) {
                if (i >= progress.size() || !progress[i] || now - lastReport[i] < kProgressInterval)
                    continue;
                const double fraction = lanes[i]->done();
                if (fraction > reported[i]) {
                    reported[i] = fraction;
                    lastReport[i] = now;
                    progress[i](fraction);
                }
            }
        }
        for (std::thread& thread : threads) thread.join();
        result.framesDecoded = decode.framesDecoded();
        result.picturesRepeated = decode.picturesRepeated();
    }
    for (const auto& lane : lanes) result.outcomes.push_back(lane->outcome(cancelled));
    return result;
}

PipelineOutcome runPipeline(PipelineJob& job, const std::function<void(double)>& progress,
                            const std::function<bool()>& cancel) {
    return runSharedPipeline(*job.video, {&job}, {progress}, cancel, false).outcomes.front();
}

}  // namespace kestro
