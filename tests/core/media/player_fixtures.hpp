#pragma once
// Tiny movies for the player and probe tests, made with the ffmpeg tool once per test program
// in a private temporary folder.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace kestro::testing {

inline bool runFfmpeg(const std::vector<std::string>& args) {
    std::vector<std::string> all{KESTRO_FFMPEG, "-v", "error", "-nostdin", "-y"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline std::filesystem::path makeTempDir(const std::string& stem) {
    std::string pattern = (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) return {};
    return pattern;
}

// Numbered pictures: frame n is a flat grey whose level encodes n (see frameNumber), 64 x 48,
// 20 fps, 1.5 s, a keyframe every 10 frames and B-frames, encoded losslessly so the level
// survives. Seeking to any time tells by its colour which picture came out.
constexpr int kNumberedRate = 20;
constexpr int kNumberedFrames = 30;
constexpr int kNumberedWidth = 64;
constexpr int kNumberedHeight = 48;

inline bool makeNumberedMovie(const std::filesystem::path& out, double seconds = 1.5) {
    return runFfmpeg({"-f", "lavfi", "-i",
                      "color=black:s=64x48:r=20:d=" + std::to_string(seconds) +
                          ",format=yuv420p,geq=lum='16+N*7':cb=128:cr=128",
                      "-c:v", "libx264", "-qp", "0", "-g", "10", "-bf", "2", "-pix_fmt", "yuv420p",
                      out.string()});
}

// The frame number a numbered picture's red level stands for (limited-range grey 16 + 7n).
inline int frameNumber(unsigned red) {
    return static_cast<int>(std::lround(static_cast<double>(red) * 219.0 / 255.0 / 7.0));
}

// Stored 32 x 16 with a white left half and black right half, marked to be shown turned a
// quarter: upright it is 16 x 32.
inline bool makeQuarterTurnedMovie(const std::filesystem::path& out) {
    const std::filesystem::path plain = out.parent_path() / ("plain-" + out.filename().string());
    return runFfmpeg({"-f", "lavfi", "-i",
                      "color=black:s=32x16:r=10:d=0.5,format=yuv420p,"
                      "geq=lum='if(lt(X,W/2),235,16)':cb=128:cr=128",
                      "-c:v", "libx264", plain.string()}) &&
           // Stream copy is what turns the tag into the container's display matrix.
           runFfmpeg(
               {"-i", plain.string(), "-c", "copy", "-metadata:s:v:0", "rotate=90", out.string()});
}

}  // namespace kestro::testing
