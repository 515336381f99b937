// export_bench: how Kestro's export compares with the equivalent ffmpeg command line.
//
// Both run as child processes on identical inputs (a generated 1170 x 2532, 60 fps, 10 s H.264
// recording with sound and a generated 1460 x 2960 device frame), at 720p, so wall time, CPU time
// (user + system of the child) and peak memory (the child's maximum resident set) are measured the
// same way. Neither is given a thread count: both size their thread pools from the same cores.
// The ffmpeg side uses the same encoders and settings and a filter graph doing what the export
// does (scale the recording, clip it to the rounded screen rectangle, lay it over the
// background, put the frame on top); the frame and the mask are prepared once, as the export
// prepares them once.
//
// Quality: each output is compared (PSNR) with a lossless rendering of the same composition
// made with a better scaler and no chroma subsampling, so that neither tool is its own
// reference. The geometry is chosen so that every edge falls on a whole pixel and the video is
// scaled by exactly 5/6: integer-only ffmpeg filters and a sub-pixel compositor then place the
// same pixels, and PSNR measures encoding and scaling, not a half-pixel shift.
//
// Two more Kestro-only rows export the same MP4 on a 16:9 canvas, plain and with a gradient and
// the device's shadow: what they add is composed once, so the compositor's per-frame work is the
// same; the table gives their CPU time against each other and against the MP4 row.
//
// Usage: export_bench [--runs N] [--cache DIR] [--print]
//   N runs of each, interleaved, medians printed; --print shows the command lines and stops.

#include "core/export/canvas_size.hpp"
#include "core/export/render_geometry.hpp"
#include "core/model/image.hpp"
#include "core/model/png.hpp"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using kestro::CanvasRect;
using kestro::Image;

// The composition every run renders.
constexpr int kSourceWidth = 1170;
constexpr int kSourceHeight = 2532;
constexpr int kSourceRate = 60;
constexpr int kSourceSeconds = 10;
constexpr int kFrameWidth = 1460;
constexpr int kFrameHeight = 2960;
constexpr int kCanvasWidth = 1280;  // 720p
// The screen opening on the canvas, top-left origin, in whole pixels. Grown by 2 it becomes
// 975 x 2110 at (152, 243): the recording scaled by exactly 5/6.
constexpr int kOpeningX = 154;
constexpr int kOpeningTop = 245;
constexpr int kOpeningW = 971;
constexpr int kOpeningH = 2106;

// The ProRes encoder and settings the export uses for MOV (prores_aw numbers its profiles;
// 4 is 4444).
const std::vector<std::string> kProResArgs{
    "-c:v",        "prores_aw", "-profile:v",       "4",     "-pix_fmt",   "yuva444p10le",
    "-colorspace", "bt709",     "-color_primaries", "bt709", "-color_trc", "bt709",
    "-color_range", "tv"};
const std::vector<std::string> kH264Args{
    "-c:v",         "libx264", "-crf",       "18",     "-preset",          "medium",
    "-profile:v",   "high",    "-pix_fmt",   "yuv420p", "-colorspace",     "bt709",
    "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range",    "tv",
    "-c:a",         "aac",     "-b:a",       "192k",   "-ar",              "48000",
    "-ac",          "2",       "-movflags",  "+faststart"};

struct Measure {
    double wall = 0;     // seconds
    double cpu = 0;      // seconds, user + system
    double peakMb = 0;   // maximum resident set, MiB
    int status = -1;
};

// Runs a child with its output to `log`, measured by wait4 on that child alone.
Measure runChild(const std::vector<std::string>& args, const fs::path& log) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = open("/dev/null", O_RDONLY);
        dup2(null, STDIN_FILENO);
        dup2(fd, STDOUT_FILENO);
        dup2(fd, STDERR_FILENO);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    Measure m;
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return m;
    m.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    m.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m;
}

std::string readText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool runOrReport(const std::vector<std::string>& args, const fs::path& log, const char* what) {
    const Measure m = runChild(args, log);
    if (m.status == 0) return true;
    std::fprintf(stderr, "export_bench: %s failed (status %d); see %s\n%s\n", what, m.status,
                 log.c_str(), readText(log).c_str());
    return false;
}

std::vector<std::string> concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Signed distance from (px, py) to a rounded rectangle; negative inside.
double roundedRectDistance(double px, double py, double x, double y, double w, double h,
                           double r) {
    const double qx = std::abs(px - (x + w / 2)) - (w / 2 - r);
    const double qy = std::abs(py - (y + h / 2)) - (h / 2 - r);
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - r;
}

// Coverage of the pixel centred at (px, py): a one-pixel anti-aliased edge.
double coverage(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

std::uint8_t byte(double v) { return static_cast<std::uint8_t>(std::lround(v * 255)); }

// A dark phone body with a lighter rim, a rounded transparent opening, transparent around.
Image drawFrame() {
    Image image = Image::filled(kFrameWidth, kFrameHeight);
    const double fx = double(kFrameWidth) / kCanvasWidth;
    const double fy = double(kFrameHeight) / kestro::canvasHeightForFrame(kCanvasWidth, kFrameWidth,
                                                                         kFrameHeight);
    const double ox = kOpeningX * fx, oy = kOpeningTop * fy;
    const double ow = kOpeningW * fx, oh = kOpeningH * fy;
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double body = roundedRectDistance(px, py, 0, 0, kFrameWidth, kFrameHeight, 220);
            const double hole = roundedRectDistance(px, py, ox, oy, ow, oh, 170);
            const double alpha = coverage(body) * (1 - coverage(hole));
            if (alpha <= 0) continue;
            const bool rim = body > -14 && body < -6;
            const double shade = rim ? 0.42 : 0.10 + 0.06 * (py / kFrameHeight);
            image.set(x, y, {byte(shade), byte(shade), byte(shade * 1.08), byte(alpha)});
        }
    }
    return image;
}

// White inside the rounded screen rectangle (corner radius 0.13 x the shorter side), black out.
Image drawMask(const CanvasRect& r) {
    const int w = static_cast<int>(std::lround(r.w));
    const int h = static_cast<int>(std::lround(r.h));
    Image image = Image::filled(w, h, {0, 0, 0, 255});
    const double radius = kestro::screenCornerRadius(r);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint8_t v =
                byte(coverage(roundedRectDistance(x + 0.5, y + 0.5, 0, 0, w, h, radius)));
            image.set(x, y, {v, v, v, 255});
        }
    }
    return image;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::optional<double> psnr(const fs::path& movie, const fs::path& reference,
                           const std::string& pixelFormat, const fs::path& log) {
    const std::string graph = "[0:v]format=" + pixelFormat + "[a];[1:v]format=" + pixelFormat +
                              "[b];[a][b]psnr";
    if (!runOrReport({KESTRO_BENCH_FFMPEG, "-hide_banner", "-nostats", "-i", movie.string(), "-i",
                      reference.string(), "-lavfi", graph, "-f", "null", "-"},
                     log, "psnr")) {
        return std::nullopt;
    }
    const std::string text = readText(log);
    const auto at = text.rfind("average:");
    if (at == std::string::npos) return std::nullopt;
    const std::string value = text.substr(at + 8, text.find(' ', at) - at - 8);
    if (value == "inf") return 99.0;
    return std::atof(value.c_str());
}

struct Side {
    std::vector<double> wall, cpu, mem;
    std::optional<double> psnr;
};

}  // namespace

int main(int argc, char** argv) {
    int runs = 1;
    bool printOnly = false;
    fs::path cache = KESTRO_BENCH_CACHE;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--cache" && i + 1 < argc) {
            cache = argv[++i];
        } else if (arg == "--print") {
            printOnly = true;
        } else {
            std::fprintf(stderr, "usage: export_bench [--runs N] [--cache DIR] [--print]\n");
            return 2;
        }
    }
    fs::create_directories(cache);
    const fs::path logs = cache / "logs";
    fs::create_directories(logs);

    const std::int64_t canvasHeight =
        kestro::canvasHeightForFrame(kCanvasWidth, kFrameWidth, kFrameHeight);
    const double W = kCanvasWidth, H = static_cast<double>(canvasHeight);
    // The opening in percent, y from the bottom edge, as --screen takes it.
    const kestro::ScreenRect screen{kOpeningX * 100.0 / W,
                                    (H - kOpeningTop - kOpeningH) * 100.0 / H,
                                    kOpeningW * 100.0 / W, kOpeningH * 100.0 / H};
    const CanvasRect grown = kestro::grownScreenRect(screen, W, H);
    const CanvasRect top = kestro::toTopLeftOrigin(grown, H);
    const auto place = kestro::placeVideo(grown, H, {kSourceWidth, kSourceHeight},
                                          kestro::VideoFitMode::fill, 1, 0, 0);
    auto whole = [](double v) { return static_cast<long>(std::lround(v)); };
    const long rx = whole(top.x), ry = whole(top.y), rw = whole(top.w), rh = whole(top.h);
    const long pw = whole(place.width), ph = whole(place.height);
    const long cropX = rx - whole(place.tx), cropY = ry - whole(place.ty);

    // Inputs, made once and kept in the cache.
    const fs::path source = cache / "source-1170x2532-60fps-10s.mp4";
    if (!fs::exists(source)) {
        std::fprintf(stderr, "export_bench: generating %s (once)\n", source.c_str());
        const std::string video = "testsrc2=size=" + std::to_string(kSourceWidth) + "x" +
                                  std::to_string(kSourceHeight) +
                                  ":rate=" + std::to_string(kSourceRate) +
                                  ":duration=" + std::to_string(kSourceSeconds);
        const fs::path partial = cache / "source.partial.mp4";
        if (!runOrReport({KESTRO_BENCH_FFMPEG, "-hide_banner", "-y", "-f", "lavfi", "-i", video,
                          "-f", "lavfi", "-i",
                          "sine=frequency=440:sample_rate=48000:duration=" +
                              std::to_string(kSourceSeconds),
                          "-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p",
                          "-c:v", "libx264", "-preset", "veryfast", "-crf", "20", "-g", "120",
                          "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc",
                          "bt709", "-color_range", "tv", "-c:a", "aac", "-b:a", "128k", "-ac",
                          "2", "-shortest", partial.string()},
                         logs / "source.log", "generating the source")) {
            return 1;
        }
        fs::rename(partial, source);
    }
    const fs::path frame = cache / "frame-1460x2960.png";
    if (!fs::exists(frame) && !kestro::savePng(drawFrame(), frame).ok()) {
        std::fprintf(stderr, "export_bench: cannot write %s\n", frame.c_str());
        return 1;
    }
    const fs::path mask = cache / "mask.png";
    if (!fs::exists(mask) && !kestro::savePng(drawMask(top), mask).ok()) return 1;
    // ffmpeg gets the frame already at canvas size, as the export scales it once per export.
    const fs::path frameCanvas = cache / "frame-canvas.png";
    const std::string canvasSize = std::to_string(kCanvasWidth) + "x" + std::to_string(canvasHeight);
    if (!fs::exists(frameCanvas) &&
        !runOrReport({KESTRO_BENCH_FFMPEG, "-hide_banner", "-y", "-i", frame.string(), "-vf",
                      "scale=" + std::to_string(kCanvasWidth) + ":" +
                          std::to_string(canvasHeight) + ":flags=bicubic",
                      frameCanvas.string()},
                     logs / "frame.log", "scaling the frame")) {
        return 1;
    }

    char screenArg[160];
    std::snprintf(screenArg, sizeof screenArg, "%.17g,%.17g,%.17g,%.17g", screen.x, screen.y,
                  screen.w, screen.h);

    // The composition as an ffmpeg filter graph. `quality` is the lossless reference: lanczos,
    // composited and kept at 4:4:4.
    auto graph = [&](bool mov, bool reference) {
        const std::string scaler = reference ? "lanczos" : "bicubic";
        const std::string blend = reference || mov ? "yuv444" : "yuv420";
        const std::string background =
            mov ? "color=c=black@0:s=" + canvasSize + ":r=" + std::to_string(kSourceRate) +
                      ",format=yuva444p"
                : "color=c=black:s=" + canvasSize + ":r=" + std::to_string(kSourceRate) +
                      (reference ? ",format=yuv444p" : ",format=yuv420p");
        std::string out = reference ? (mov ? "yuva444p10le" : "yuv444p") : (mov ? "yuva444p10le" : "yuv420p");
        return background + "[bg];" +
               "[0:v]scale=" + std::to_string(pw) + ":" + std::to_string(ph) + ":flags=" +
               scaler + ",crop=" + std::to_string(rw) + ":" + std::to_string(rh) + ":" +
               std::to_string(cropX) + ":" + std::to_string(cropY) + ":exact=1[v];" +
               "[1:v]format=gray[m];[v][m]alphamerge[va];" +
               "[bg][va]overlay=" + std::to_string(rx) + ":" + std::to_string(ry) +
               ":shortest=1:format=" + blend + "[c];" +
               "[2:v]scale=out_color_matrix=bt709:out_range=tv,format=yuva444p[f];" +
               "[c][f]overlay=0:0:format=" + blend + ",format=" + out + "[out]";
    };
    auto ffmpegArgs = [&](bool mov, bool reference, const fs::path& output) {
        std::vector<std::string> args{KESTRO_BENCH_FFMPEG, "-hide_banner", "-nostats", "-y",
                                      "-i",               source.string(), "-i",       mask.string(),
                                      "-i",               frameCanvas.string(),
                                      "-filter_complex",  graph(mov, reference),
                                      "-map",             "[out]"};
        if (reference) {
            args = concat(args, {"-c:v", "ffv1", "-level", "3", "-threads", "2", "-an"});
        } else if (mov) {
            args = concat(args, kProResArgs);
            args = concat(args, {"-an"});
        } else {
            args = concat(args, {"-map", "0:a"});
            args = concat(args, kH264Args);
        }
        args.push_back(output.string());
        return args;
    };

    std::printf("export_bench: source %dx%d %d fps %d s with sound, frame %dx%d, canvas %s, "
                "screen %s, %d run(s) each\n",
                kSourceWidth, kSourceHeight, kSourceRate, kSourceSeconds, kFrameWidth,
                kFrameHeight, canvasSize.c_str(), screenArg, runs);
    std::fflush(stdout);

    struct Row {
        const char* name;
        bool mov;
        Side kestro, ffmpeg;
    };
    std::vector<Row> rows{{"MP4", false, {}, {}}, {"MOV", true, {}, {}}};
    for (auto& row : rows) {
        const std::string ext = row.mov ? ".mov" : ".mp4";
        const fs::path kestroOut = cache / ("kestro" + ext);
        const fs::path ffmpegOut = cache / ("ffmpeg" + ext);
        const fs::path reference = cache / (std::string("reference-") + row.name + ".mkv");
        const std::vector<std::string> kestroArgs{
            KESTRO_BENCH_CLI, "export",       source.string(), "-o",         kestroOut.string(),
            "--frame",        frame.string(), "--screen",      screenArg,    "--resolution",
            "720p",           "--background", row.mov ? "transparent" : "black", "--quiet"};
        if (printOnly) {
            auto show = [](const char* what, const std::vector<std::string>& args) {
                std::printf("%s:", what);
                for (const auto& a : args) std::printf(" '%s'", a.c_str());
                std::printf("\n");
            };
            show("kestro", kestroArgs);
            show("ffmpeg", ffmpegArgs(row.mov, false, ffmpegOut));
            show("reference", ffmpegArgs(row.mov, true, reference));
            continue;
        }
        for (int i = 0; i < runs; ++i) {
            for (int which = 0; which < 2; ++which) {
                const bool isKestro = (which == 0) == (i % 2 == 0);  // alternate who goes first
                const auto args = isKestro ? kestroArgs : ffmpegArgs(row.mov, false, ffmpegOut);
                const fs::path log = logs / (std::string(isKestro ? "kestro-" : "ffmpeg-") +
                                             row.name + ".log");
                const Measure m = runChild(args, log);
                if (m.status != 0) {
                    std::fprintf(stderr, "export_bench: %s %s failed (status %d):\n%s\n",
                                 isKestro ? "kestro" : "ffmpeg", row.name, m.status,
                                 readText(log).c_str());
                    return 1;
                }
                Side& side = isKestro ? row.kestro : row.ffmpeg;
                side.wall.push_back(m.wall);
                side.cpu.push_back(m.cpu);
                side.mem.push_back(m.peakMb);
            }
        }
        if (!fs::exists(reference) &&
            !runOrReport(ffmpegArgs(row.mov, true, reference), logs / "reference.log",
                         "rendering the reference")) {
            return 1;
        }
        const std::string compareFormat = row.mov ? "yuva444p10le" : "yuv444p";
        row.kestro.psnr = psnr(kestroOut, reference, compareFormat, logs / "psnr-kestro.log");
        row.ffmpeg.psnr = psnr(ffmpegOut, reference, compareFormat, logs / "psnr-ffmpeg.log");
    }

    // The dressed canvas: the same MP4 export on a 16:9 canvas, plain and with a gradient and the
    // device's shadow. Everything they add is composed once, so per frame the two should cost
    // the same; the plain 16:9 row is the fair comparison (same canvas, same video size), the
    // MP4 row above the familiar one.
    struct CanvasRow {
        const char* name;
        std::vector<std::string> extra;
        Side kestro;
    };
    std::vector<CanvasRow> canvasRows{
        {"16:9", {"--aspect", "16:9"}, {}},
        {"16:9+", {"--aspect", "16:9", "--gradient", "#FF8800,#2244FF,135", "--shadow"}, {}}};
    for (int i = 0; i < runs; ++i) {
        for (size_t k = 0; k < canvasRows.size(); ++k) {
            // Alternate who goes first, as above.
            const size_t index = i % 2 == 0 ? k : canvasRows.size() - 1 - k;
            CanvasRow& row = canvasRows[index];
            const std::vector<std::string> args = concat(
                {KESTRO_BENCH_CLI, "export", source.string(), "-o",
                 (cache / "kestro-canvas.mp4").string(), "--frame", frame.string(), "--screen",
                 screenArg, "--resolution", "720p", "--background", "black", "--quiet"},
                row.extra);
            if (printOnly) {
                std::printf("kestro %s:", row.name);
                for (const auto& a : args) std::printf(" '%s'", a.c_str());
                std::printf("\n");
                continue;
            }
            const fs::path log =
                logs / (std::string("kestro-canvas-") + std::to_string(index) + ".log");
            const Measure m = runChild(args, log);
            if (m.status != 0) {
                std::fprintf(stderr, "export_bench: kestro %s failed (status %d):\n%s\n", row.name,
                             m.status, readText(log).c_str());
                return 1;
            }
            row.kestro.wall.push_back(m.wall);
            row.kestro.cpu.push_back(m.cpu);
            row.kestro.mem.push_back(m.peakMb);
        }
        if (printOnly) break;
    }

    if (printOnly) return 0;
    std::printf("\n%-4s %-7s %9s %9s %10s %9s\n", "", "", "wall s", "CPU s", "peak MiB",
                "PSNR dB");
    auto psnrText = [](const std::optional<double>& v) {
        char text[32];
        if (v) {
            std::snprintf(text, sizeof text, "%.2f", *v);
        } else {
            std::snprintf(text, sizeof text, "n/a");
        }
        return std::string(text);
    };
    for (const auto& row : rows) {
        const double kw = median(row.kestro.wall), fw = median(row.ffmpeg.wall);
        const double kc = median(row.kestro.cpu), fc = median(row.ffmpeg.cpu);
        const double km = median(row.kestro.mem), fm = median(row.ffmpeg.mem);
        std::printf("%-4s %-7s %9.2f %9.2f %10.1f %9s\n", row.name, "kestro", kw, kc, km,
                    psnrText(row.kestro.psnr).c_str());
        std::printf("%-4s %-7s %9.2f %9.2f %10.1f %9s\n", "", "ffmpeg", fw, fc, fm,
                    psnrText(row.ffmpeg.psnr).c_str());
        std::string delta = "n/a";
        if (row.kestro.psnr && row.ffmpeg.psnr) {
            char text[32];
            std::snprintf(text, sizeof text, "%+.2f", *row.kestro.psnr - *row.ffmpeg.psnr);
            delta = text;
        }
        std::printf("%-4s %-7s %9.2f %9.2f %10.2f %9s\n", "", "ratio", kw / fw, kc / fc, km / fm,
                    delta.c_str());
    }
    // Every run's wall time, in the order they ran, so the spread behind the medians shows.
    if (runs > 1) {
        std::printf("\nwall s of each run:\n");
        for (const auto& row : rows) {
            for (const bool isKestro : {true, false}) {
                const Side& side = isKestro ? row.kestro : row.ffmpeg;
                std::printf("%-4s %-7s", isKestro ? row.name : "", isKestro ? "kestro" : "ffmpeg");
                for (const double w : side.wall) std::printf(" %7.2f", w);
                std::printf("\n");
            }
        }
    }
    {
        const double plainCpu = median(canvasRows[0].kestro.cpu);
        const double plainWall = median(canvasRows[0].kestro.wall);
        const double mp4Cpu = median(rows[0].kestro.cpu);
        std::printf("\ncanvas (Kestro, MP4 720p): %9s %9s %10s %13s %9s\n", "wall s", "CPU s",
                    "peak MiB", "CPU / 16:9", "CPU / MP4");
        for (const auto& row : canvasRows) {
            const double c = median(row.kestro.cpu);
            std::printf("%-26s %9.2f %9.2f %10.1f %13.3f %9.3f\n", row.name,
                        median(row.kestro.wall), c, median(row.kestro.mem), c / plainCpu,
                        c / mp4Cpu);
        }
        std::printf("%-26s %9.3f\n", "16:9+ / 16:9 wall",
                    median(canvasRows[1].kestro.wall) / plainWall);
    }
    // Wall times only mean something on an otherwise idle machine; say how busy it was.
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) == 3) {
        std::printf("\nload average at the end: %.2f %.2f %.2f on %ld cores\n", load[0], load[1],
                    load[2], sysconf(_SC_NPROCESSORS_ONLN));
    }
    std::printf("\nratio = Kestro / ffmpeg (below 1: Kestro is faster or smaller); PSNR against a "
                "lossless rendering of the same composition, its last column Kestro - ffmpeg.\n");
    return 0;
}
