#pragma once
// The sound of an export whose clock runs at several speeds (time_map.hpp): each piece of the
// recording's sound played at its piece's speed, pitch kept (tempo_filter.hpp), and cut or
// padded to exactly the samples its piece lasts in the output, so the sound is back in step
// with the pictures at the start of every piece whatever the filter's own rounding. Pieces
// faster than kMaxPitchKeptFactor are silent unless the caller keeps them (sped sound that
// fast is a chirp, not speech). Belongs to the thread that owns the AudioReader.

#include "core/media/audio_reader.hpp"
#include "core/media/media_error.hpp"
#include "core/media/tempo_filter.hpp"
#include "core/model/time_map.hpp"
#include "core/result.hpp"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestro {

inline constexpr double kMaxPitchKeptFactor = 2;

class SpedSound {
public:
    // `reader` must outlive this. Pieces above kMaxPitchKeptFactor are sped as well when
    // `keepFastSound`, else silent.
    SpedSound(AudioReader& reader, TimeMap map, bool keepFastSound);

    // Positions the reader at the map's start; call once before reading.
    Result<Done, MediaError> start();

    // The output's samples from where the last read ended: `count` of them, fewer only at the
    // output's end. After an error, the caller goes on in silence.
    Result<int, MediaError> read(float* left, float* right, int count);

    // Samples the whole output lasts.
    int64_t totalSamples() const;

private:
    enum class Mode { copy, tempo, mute };

    Result<Done, MediaError> beginPiece();
    Result<Done, MediaError> advance();  // makes more output of the current piece, or moves on
    // `count` samples into the scratch planes; zeros past the source's end.
    Result<int, MediaError> readSource(int count);
    void emit(const float* left, const float* right, int64_t count);
    void emitSilence(int64_t count);

    AudioReader& reader_;
    TimeMap map_;
    bool keepFastSound_ = false;

    size_t piece_ = 0;
    bool pieceBegun_ = false;
    Mode mode_ = Mode::copy;
    int64_t sourceLeft_ = 0;  // samples of the recording the piece still has to consume
    int64_t outputLeft_ = 0;  // samples the piece still has to give
    std::unique_ptr<TempoFilter> filter_;
    bool filterFinished_ = false;
    bool sourceEnded_ = false;

    std::vector<float> scratchLeft_, scratchRight_;
    std::vector<float> tempoLeft_, tempoRight_;
    std::vector<float> readyLeft_, readyRight_;  // output made but not yet read
    size_t readyHead_ = 0;
};

}  // namespace kestro
