#pragma once
// The sample recording's sound: a quiet pad with soft interface ticks and a message chime,
// written as an expression for FFmpeg's aevalsrc so no audio file needs to exist.

#include <string>

namespace kestro::samplegen {

// "aevalsrc=...": a stereo 48 kHz lavfi source lasting `duration` seconds.
std::string soundSource(double duration);

}  // namespace kestro::samplegen
