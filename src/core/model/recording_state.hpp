#pragma once
// Where the simulator recording workflow stands. Never shown or stored, so it has no raw value.

#include <array>

namespace kestro {

enum class RecordingState {
    idle,
    recording,
    recorded,
};

inline const std::array<RecordingState, 3>& allRecordingStates() {
    static constexpr std::array<RecordingState, 3> kAll{
        RecordingState::idle, RecordingState::recording, RecordingState::recorded};
    return kAll;
}

}  // namespace kestro
