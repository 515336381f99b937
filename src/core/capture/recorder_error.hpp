#pragma once
// The failures of SimulatorRecorder::startRecording: a domain, a code and the text shown to the
// user. Discovery problems carry the domain "SimulatorRecorder"; a child that could not be started
// carries the domain "POSIX", the OS error number and its message.

#include <string>
#include <string_view>

namespace kestro {

struct RecorderError {
    std::string domain;
    int code = 0;
    std::string description;
};

inline constexpr std::string_view kRecorderErrorDomain = "SimulatorRecorder";
inline constexpr std::string_view kLaunchErrorDomain = "POSIX";

}  // namespace kestro
