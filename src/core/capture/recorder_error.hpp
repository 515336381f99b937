#pragma once
// The failures of the recorders: a domain, a code, the text shown to the user and, where we know
// what would help, a suggestion. Simulator discovery problems carry the domain
// "SimulatorRecorder", Android ones "AndroidRecorder"; a child that could not be started carries
// the domain "POSIX", the OS error number and its message.

#include <string>
#include <string_view>

namespace kestro {

struct RecorderError {
    std::string domain;
    int code = 0;
    std::string description;
    std::string recoverySuggestion;  // empty when there is nothing useful to suggest
};

inline constexpr std::string_view kRecorderErrorDomain = "SimulatorRecorder";
inline constexpr std::string_view kAndroidErrorDomain = "AndroidRecorder";
inline constexpr std::string_view kLaunchErrorDomain = "POSIX";

}  // namespace kestro
