#pragma once
// Reading the sound of a movie as 48 kHz stereo float samples, positioned to the sample. Gaps
// in the source's timeline come out as silence and overlaps are dropped, so sample i of the
// output always belongs to time i / 48000 of the movie, whatever the source's rate or layout.
// One reader belongs to one thread at a time.

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace kestro {

class AudioReader {
public:
    static constexpr int kSampleRate = 48000;

    // A movie without sound gives AVERROR_STREAM_NOT_FOUND.
    static Result<std::unique_ptr<AudioReader>, MediaError> open(const std::filesystem::path& path);

    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    // The next sample read is the one at `seconds` of the movie (whose 0 is its first picture).
    Result<Done, MediaError> seek(double seconds);

    // Up to `count` samples per channel into the two planes. Fewer only at the end of the sound;
    // 0 means it has ended. Damaged packets become silence.
    Result<int, MediaError> read(float* left, float* right, int count);

private:
    AudioReader() = default;
    Result<Done, MediaError> decodeMore();
    Result<Done, MediaError> feed(const AVFrame* frame, int skipInput);
    Result<Done, MediaError> feedSilence(int64_t outputSamples);
    Result<Done, MediaError> drainResampler();
    Result<Done, MediaError> configureResampler(const AVFrame& frame);
    std::array<uint8_t*, 2> outputPlanes(int samples);  // room for the resampler's output

    AVInputFormatContextPtr format_;
    AVCodecContextPtr decoder_;
    AVPacketPtr packet_;
    AVFramePtr frame_;  // the decoder's latest frame
    SwrContextPtr swr_;
    AVAudioFifoPtr fifo_;
    int stream_ = -1;
    double originSeconds_ = 0;  // the movie's 0 (its first picture) on this stream's clock

    // What the resampler was set up for. inLayout_ is the frames' own layout, which may name
    // only a channel count; the resampler itself is then given the usual layout for that count.
    int inRate_ = 0;
    int inFormat_ = -1;
    AVChannelLayout inLayout_{};

    // Scratch space kept between frames; it only ever grows.
    std::vector<const uint8_t*> inPlanes_;
    std::vector<float> outLeft_;
    std::vector<float> outRight_;

    bool started_ = false;  // a frame has been decoded since the last seek
    bool demuxerDone_ = false;
    bool decoderDone_ = false;
    bool resamplerDrained_ = false;
    int64_t fifoStart_ = 0;  // output sample index of the fifo's first sample
    double fedEnd_ = 0;      // output sample index where the input fed so far ends
    int64_t readPos_ = 0;    // output sample index of the next sample read() hands out
};

}  // namespace kestro
