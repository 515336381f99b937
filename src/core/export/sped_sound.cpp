#include "core/export/sped_sound.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

constexpr int kChunk = 4096;

int64_t sampleAt(double seconds) {
    return std::llround(seconds * AudioReader::kSampleRate);
}

}  // namespace

SpedSound::SpedSound(AudioReader& reader, TimeMap map, bool keepFastSound)
    : reader_(reader), map_(std::move(map)), keepFastSound_(keepFastSound) {
    scratchLeft_.resize(kChunk);
    scratchRight_.resize(kChunk);
}

int64_t SpedSound::totalSamples() const {
    return sampleAt(map_.outputDuration());
}

Result<Done, MediaError> SpedSound::start() {
    return reader_.seek(map_.sourceStart());
}

Result<Done, MediaError> SpedSound::beginPiece() {
    const TimePiece& p = map_.pieces()[piece_];
    pieceBegun_ = true;
    sourceLeft_ = sampleAt(p.sourceEnd) - sampleAt(p.sourceStart);
    outputLeft_ = sampleAt(p.outputEnd) - sampleAt(p.outputStart);
    filter_.reset();
    filterFinished_ = false;
    if (p.factor == 1) {
        mode_ = Mode::copy;
    } else if (p.factor > kMaxPitchKeptFactor && !keepFastSound_) {
        mode_ = Mode::mute;
    } else {
        mode_ = Mode::tempo;
        auto made = TempoFilter::create(p.factor);
        if (!made) return fail(made.error());
        filter_ = std::move(*made);
    }
    return Done{};
}

Result<int, MediaError> SpedSound::readSource(int count) {
    int got = 0;
    if (!sourceEnded_) {
        auto read = reader_.read(scratchLeft_.data(), scratchRight_.data(), count);
        if (!read) {
            sourceEnded_ = true;
            return fail(read.error());
        }
        got = *read;
        if (got < count) sourceEnded_ = true;
    }
    std::fill(scratchLeft_.begin() + got, scratchLeft_.begin() + count, 0.0f);
    std::fill(scratchRight_.begin() + got, scratchRight_.begin() + count, 0.0f);
    return count;
}

void SpedSound::emit(const float* left, const float* right, int64_t count) {
    const auto n = static_cast<size_t>(std::min(count, outputLeft_));
    readyLeft_.insert(readyLeft_.end(), left, left + n);
    readyRight_.insert(readyRight_.end(), right, right + n);
    outputLeft_ -= static_cast<int64_t>(n);
}

void SpedSound::emitSilence(int64_t count) {
    const auto n = static_cast<size_t>(std::min(count, outputLeft_));
    readyLeft_.insert(readyLeft_.end(), n, 0.0f);
    readyRight_.insert(readyRight_.end(), n, 0.0f);
    outputLeft_ -= static_cast<int64_t>(n);
}

Result<Done, MediaError> SpedSound::advance() {
    if (!pieceBegun_) return beginPiece();
    if (sourceLeft_ > 0) {
        auto read = readSource(static_cast<int>(std::min<int64_t>(sourceLeft_, kChunk)));
        if (!read) return fail(read.error());
        const int n = *read;
        sourceLeft_ -= n;
        switch (mode_) {
            case Mode::copy:
                emit(scratchLeft_.data(), scratchRight_.data(), n);
                break;
            case Mode::mute:
                break;
            case Mode::tempo: {
                auto pushed = filter_->push(scratchLeft_.data(), scratchRight_.data(), n);
                if (!pushed) return pushed;
                tempoLeft_.clear();
                tempoRight_.clear();
                auto pulled = filter_->pull(tempoLeft_, tempoRight_);
                if (!pulled) return pulled;
                emit(tempoLeft_.data(), tempoRight_.data(),
                     static_cast<int64_t>(tempoLeft_.size()));
                break;
            }
        }
        return Done{};
    }
    if (mode_ == Mode::tempo && !filterFinished_) {
        filterFinished_ = true;
        auto finished = filter_->finish();
        if (!finished) return finished;
        tempoLeft_.clear();
        tempoRight_.clear();
        auto pulled = filter_->pull(tempoLeft_, tempoRight_);
        if (!pulled) return pulled;
        emit(tempoLeft_.data(), tempoRight_.data(), static_cast<int64_t>(tempoLeft_.size()));
        return Done{};
    }
    // What the piece still owes the output is silence: a muted piece, or a filter or source
    // that gave a little less than the piece lasts.
    if (outputLeft_ > 0) {
        emitSilence(std::min<int64_t>(outputLeft_, kChunk));
        return Done{};
    }
    ++piece_;
    pieceBegun_ = false;
    filter_.reset();
    return Done{};
}

Result<int, MediaError> SpedSound::read(float* left, float* right, int count) {
    int out = 0;
    while (out < count) {
        const size_t ready = readyLeft_.size() - readyHead_;
        if (ready > 0) {
            const auto n =
                static_cast<int>(std::min<size_t>(ready, static_cast<size_t>(count - out)));
            std::copy_n(readyLeft_.begin() + static_cast<std::ptrdiff_t>(readyHead_), n,
                        left + out);
            std::copy_n(readyRight_.begin() + static_cast<std::ptrdiff_t>(readyHead_), n,
                        right + out);
            readyHead_ += static_cast<size_t>(n);
            out += n;
            continue;
        }
        readyLeft_.clear();
        readyRight_.clear();
        readyHead_ = 0;
        if (piece_ >= map_.pieces().size()) break;
        auto more = advance();
        if (!more) return fail(more.error());
    }
    return out;
}

}  // namespace kestro
