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
// Beyond the two movie rows: a draft MP4 (libx264 veryfast, CRF 23; its time against the
// standard MP4's is printed, and a draft must take at most half), a 3 s WebM over a transparent
// background (VP9 with alpha + Opus, the same libvpx settings on both sides) and a 3 s GIF
// (600 px wide, 15 fps, transparent, one palette from palettegen + paletteuse on both sides;
// ffmpeg composes at the GIF's size after dropping to 15 fps, as the export does).
//
// Quality: each output is compared (PSNR) with a lossless rendering of the same composition
// made with a better scaler and no chroma subsampling, so that neither tool is its own
// reference. The geometry is chosen so that every edge falls on a whole pixel and the video is
// scaled by exactly 5/6: integer-only ffmpeg filters and a sub-pixel compositor then place the
// same pixels, and PSNR measures encoding and scaling, not a half-pixel shift.
//
// The bursts row is a phone recording's shape: 1 s of 60 fps motion, then 1 s still (one
// picture), over its first 4 s, so about half the output pictures repeat. ffmpeg runs the same
// MP4 graph at the same CRF (it composes and encodes every tick, the last picture held to the
// recording's end at 4 s as Kestro's movie and a player hold it); Kestro writes the held
// pictures once, with the source's variable timing. Both are compared with a lossless rendering
// as a player shows them (at 60 fps). The goal: at most 0.6x ffmpeg's CPU at equal or better
// PSNR. The encoders' settings are the same on both sides (x264 writes them into the stream:
// compare them there); the export also declines the transparent huge pages libx264 asks for,
// which the ffmpeg tool takes: on a busy or virtual machine faulting those in is most of
// ffmpeg's system time. The user-time column shows the work apart from that.
//
// Five rows measure Kestro against itself: zoom (the same export at 600 % and at 100 %: memory and
// time must stay within 1.2x, as only what shows in the opening is scaled), camera (the same
// export with the camera zoomed in for most of it, against none: at most 1.2x, as each view's
// canvas is made once while it holds and a moving view samples only what is not screen; the
// compose thread's time is given apart, as a zoomed picture also holds more moving video for
// the encoder than the framed one; camNoise zooms on noise instead, for that encoder's share;
// camVFR is the same over the bursts-and-stills recording, whose still stretches repeat under a
// held view too, while an ease or a pan over a still picture writes every tick) and variable
// rate (a
// recording whose motion comes in bursts, against the constant-rate recording it was cut from:
// the capture rate is found from the container's timestamps alone, so the ratio shows what
// finding it costs beyond the frames written).
//
// Two more Kestro-only rows export the same MP4 on a 16:9 canvas, plain and with a gradient and
// the device's shadow: what they add is composed once, so the compositor's per-frame work is the
// same. The table gives their CPU time against each other and against the MP4 row, and the
// compose thread's own time (the exporter reports it when KESTRO_STAGE_TIMES is set), which is
// the per-frame cost apart from the encoder's content-dependent share.
//
// Usage: export_bench [--runs N] [--cache DIR] [--rows A,B,...] [--no-psnr] [--print]
//   N runs of each, interleaved, medians printed; --rows picks rows by name (MP4, MOV, draft,
//   GIF, WebM, bursts, zoom, camera, camNoise, camVFR, VFR, canvas; all by default);
//   --no-psnr skips the quality comparison (the slow part on a busy machine); --print shows the
//   command lines and stops.

#include "core/export/canvas_size.hpp"
#include "core/export/render_geometry.hpp"
#include "core/media/video_reader.hpp"
#include "core/model/image.hpp"
#include "core/model/png.hpp"
#include "core/platform.hpp"

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
std::vector<std::string> h264Args(const std::string& crf, const std::string& preset) {
    return {"-c:v",         "libx264", "-crf",       crf,       "-preset",          preset,
            "-profile:v",   "high",    "-pix_fmt",   "yuv420p", "-colorspace",     "bt709",
            "-color_primaries", "bt709", "-color_trc", "bt709", "-color_range",    "tv",
            "-c:a",         "aac",     "-b:a",       "192k",   "-ar",              "48000",
            "-ac",          "2",       "-movflags",  "+faststart"};
}
// The standard WebM tier: libvpx-vp9 in constant quality, alpha tagged as browsers expect.
const std::vector<std::string> kVp9Args{
    "-c:v",     "libvpx-vp9", "-deadline", "good", "-cpu-used", "4",  "-crf", "31", "-b:v", "0",
    "-row-mt",  "1",          "-metadata:s:v:0", "alpha_mode=1", "-c:a", "libopus", "-b:a",
    "128k"};
// The web rows cover this much of the recording (a README GIF is a few seconds).
constexpr int kWebSeconds = 3;
constexpr int kGifWidth = 600;
// The bursts row covers this much of its recording.
constexpr int kBurstSeconds = 4;
constexpr int kGifRate = 15;

struct Measure {
    double wall = 0;     // seconds
    double cpu = 0;      // seconds, user + system
    double user = 0;     // seconds, user alone
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
    m.user = static_cast<double>(usage.ru_utime.tv_sec) +
             static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
    m.peakMb = static_cast<double>(kestro::platform::peakResidentBytes(usage)) / (1024.0 * 1024.0);
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m;
}

std::string readText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The processor time a stage reported in an export's log ("kestro-compose: 1.234 s CPU").
std::optional<double> stageCpu(const std::string& log, const std::string& stage) {
    const auto at = log.rfind(stage + ": ");
    if (at == std::string::npos) return std::nullopt;
    return std::strtod(log.c_str() + at + stage.size() + 2, nullptr);
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

// `showRate`: the movie as a player shows it at that rate, for variable-rate movies.
std::optional<double> psnr(const fs::path& movie, const fs::path& reference,
                           const std::string& pixelFormat, const fs::path& log,
                           int showRate = 0) {
    // shortest: the web rows cover only the start of the reference.
    const std::string shown = showRate > 0 ? "fps=" + std::to_string(showRate) + "," : "";
    const std::string graph = "[0:v]" + shown + "format=" + pixelFormat + "[a];[1:v]format=" +
                              pixelFormat + "[b];[a][b]psnr=shortest=1";
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
    std::vector<double> wall, cpu, user, mem;
    std::vector<double> compose;  // the compose thread's own CPU time (Kestro's own rows)
    std::optional<double> psnr;
};

}  // namespace

int main(int argc, char** argv) {
    int runs = 1;
    bool printOnly = false;
    bool measureQuality = true;
    std::string only;
    fs::path cache = KESTRO_BENCH_CACHE;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--cache" && i + 1 < argc) {
            cache = argv[++i];
        } else if (arg == "--print") {
            printOnly = true;
        } else if (arg == "--no-psnr") {
            measureQuality = false;
        } else if (arg == "--rows" && i + 1 < argc) {
            only = "," + std::string(argv[++i]) + ",";
        } else {
            std::fprintf(stderr,
                         "usage: export_bench [--runs N] [--cache DIR] [--rows A,B,...] "
                         "[--no-psnr] [--print]\n");
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
    // Where ffmpeg's graph puts things on a canvas of a given width (720p, or the GIF's).
    struct Geometry {
        int width = 0;
        std::int64_t height = 0;
        CanvasRect top;  // the grown opening, top-left origin
        long rx = 0, ry = 0, rw = 0, rh = 0, pw = 0, ph = 0, cropX = 0, cropY = 0;
        std::string size() const { return std::to_string(width) + "x" + std::to_string(height); }
    };
    auto geometryFor = [&](int width) {
        Geometry g;
        g.width = width;
        g.height = kestro::canvasHeightForFrame(width, kFrameWidth, kFrameHeight);
        const double h = static_cast<double>(g.height);
        const CanvasRect grown = kestro::grownScreenRect(screen, width, h);
        g.top = kestro::toTopLeftOrigin(grown, h);
        const auto place = kestro::placeVideo(grown, h, {kSourceWidth, kSourceHeight},
                                              kestro::VideoFitMode::fill, 1, 0, 0);
        auto whole = [](double v) { return static_cast<long>(std::lround(v)); };
        g.rx = whole(g.top.x), g.ry = whole(g.top.y), g.rw = whole(g.top.w), g.rh = whole(g.top.h);
        g.pw = whole(place.width), g.ph = whole(place.height);
        g.cropX = g.rx - whole(place.tx), g.cropY = g.ry - whole(place.ty);
        return g;
    };
    const Geometry movie = geometryFor(kCanvasWidth);
    const Geometry gifCanvas = geometryFor(kGifWidth);

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
    // Bursts and stills: each second of motion at 60 fps followed by a second holding one
    // picture.
    const fs::path stills = cache / "source-bursts-and-stills.mp4";
    if (!fs::exists(stills)) {
        const fs::path partial = cache / "stills.partial.mp4";
        if (!runOrReport({KESTRO_BENCH_FFMPEG, "-hide_banner", "-y", "-i", source.string(), "-t",
                          std::to_string(kBurstSeconds), "-vf",
                          "select='lt(mod(t,2),1)+eq(mod(n,120),60)'", "-vsync",
                          "vfr", "-c:v", "libx264", "-preset", "veryfast", "-crf", "20",
                          "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc",
                          "bt709", "-color_range", "tv", "-c:a", "copy", partial.string()},
                         logs / "stills.log", "generating the bursts-and-stills source")) {
            return 1;
        }
        fs::rename(partial, stills);
    }
    const fs::path frame = cache / "frame-1460x2960.png";
    if (!fs::exists(frame) && !kestro::savePng(drawFrame(), frame).ok()) {
        std::fprintf(stderr, "export_bench: cannot write %s\n", frame.c_str());
        return 1;
    }
    // Per canvas: the mask, and the frame already at canvas size (the export scales it once).
    auto maskFor = [&](const Geometry& g) { return cache / ("mask-" + g.size() + ".png"); };
    auto frameFor = [&](const Geometry& g) { return cache / ("frame-canvas-" + g.size() + ".png"); };
    for (const Geometry* g : {&movie, &gifCanvas}) {
        if (!fs::exists(maskFor(*g)) && !kestro::savePng(drawMask(g->top), maskFor(*g)).ok())
            return 1;
        if (!fs::exists(frameFor(*g)) &&
            !runOrReport({KESTRO_BENCH_FFMPEG, "-hide_banner", "-y", "-i", frame.string(), "-vf",
                          "scale=" + std::to_string(g->width) + ":" + std::to_string(g->height) +
                              ":flags=bicubic",
                          frameFor(*g).string()},
                         logs / "frame.log", "scaling the frame")) {
            return 1;
        }
    }
    const std::string canvasSize = movie.size();

    char screenArg[160];
    std::snprintf(screenArg, sizeof screenArg, "%.17g,%.17g,%.17g,%.17g", screen.x, screen.y,
                  screen.w, screen.h);

    enum class Kind { mp4, mov, draft, webm, gif, bursts };
    auto inputFor = [&](Kind kind) { return kind == Kind::bursts ? stills : source; };
    auto keepsAlpha = [](Kind kind) { return kind == Kind::mov || kind == Kind::webm || kind == Kind::gif; };

    // The composition as an ffmpeg filter graph. `quality` is the lossless reference: lanczos,
    // composited and kept at 4:4:4.
    auto graph = [&](Kind kind, bool reference) {
        const bool mov = keepsAlpha(kind);
        const Geometry& g = kind == Kind::gif ? gifCanvas : movie;
        const int rate = kind == Kind::gif ? kGifRate : kSourceRate;
        const std::string scaler = reference ? "lanczos" : "bicubic";
        const std::string blend = reference || mov ? "yuv444" : "yuv420";
        const std::string background =
            mov ? "color=c=black@0:s=" + g.size() + ":r=" + std::to_string(rate) +
                      ",format=yuva444p"
                : "color=c=black:s=" + g.size() + ":r=" + std::to_string(rate) +
                      (reference ? ",format=yuv444p" : ",format=yuv420p");
        std::string out = reference ? (mov ? "yuva444p10le" : "yuv444p") : (mov ? "yuva444p10le" : "yuv420p");
        if (!reference && kind == Kind::webm) out = "yuva420p";
        if (!reference && kind == Kind::gif) {
            out = "bgra,split[a][b];[a]palettegen=stats_mode=full:reserve_transparent=1[p];"
                  "[b][p]paletteuse=dither=sierra2_4a:alpha_threshold=128";
        }
        return background + "[bg];" + "[0:v]" +
               (rate != kSourceRate ? "fps=" + std::to_string(rate) + "," : std::string()) +
               "scale=" + std::to_string(g.pw) + ":" + std::to_string(g.ph) + ":flags=" +
               scaler + ",crop=" + std::to_string(g.rw) + ":" + std::to_string(g.rh) + ":" +
               std::to_string(g.cropX) + ":" + std::to_string(g.cropY) + ":exact=1[v];" +
               "[1:v]format=gray[m];[v][m]alphamerge[va];" +
               "[bg][va]overlay=" + std::to_string(g.rx) + ":" + std::to_string(g.ry) +
               // The bursts recording's last picture is held to its end, as a player shows it.
               (kind == Kind::bursts ? "" : ":shortest=1") + ":format=" + blend + "[c];" +
               "[2:v]scale=out_color_matrix=bt709:out_range=tv,format=yuva444p[f];" +
               "[c][f]overlay=0:0:format=" + blend + ",format=" + out + "[out]";
    };
    auto ffmpegArgs = [&](Kind kind, bool reference, const fs::path& output) {
        const Geometry& g = kind == Kind::gif ? gifCanvas : movie;
        std::vector<std::string> args{KESTRO_BENCH_FFMPEG, "-hide_banner", "-nostats", "-y"};
        if (!reference && (kind == Kind::webm || kind == Kind::gif)) {
            args = concat(args, {"-t", std::to_string(kWebSeconds)});
        }
        if (kind == Kind::bursts) args = concat(args, {"-t", std::to_string(kBurstSeconds)});
        args = concat(args, {"-i", inputFor(kind).string(), "-i", maskFor(g).string(), "-i",
                             frameFor(g).string(), "-filter_complex", graph(kind, reference),
                             "-map", "[out]"});
        if (reference) {
            args = concat(args, {"-c:v", "ffv1", "-level", "3", "-threads", "2", "-an"});
        } else if (kind == Kind::mov) {
            args = concat(args, kProResArgs);
            args = concat(args, {"-an"});
        } else if (kind == Kind::webm) {
            args = concat(args, {"-map", "0:a"});
            args = concat(args, kVp9Args);
        } else if (kind == Kind::gif) {
            args = concat(args, {"-an", "-loop", "0"});
        } else {
            args = concat(args, {"-map", "0:a"});
            args = concat(args, kind == Kind::draft ? h264Args("23", "veryfast")
                                                    : h264Args("18", "medium"));
        }
        // The held last picture would go on for ever: the movie ends where the recording does.
        if (kind == Kind::bursts) args = concat(args, {"-t", std::to_string(kBurstSeconds)});
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
        Kind kind;
        Side kestro, ffmpeg;
    };
    auto wanted = [&only](const std::string& name) {
        return only.empty() || only.find("," + name + ",") != std::string::npos;
    };
    std::vector<Row> rows;
    for (const Row& row : {Row{"MP4", Kind::mp4, {}, {}}, Row{"MOV", Kind::mov, {}, {}},
                           Row{"draft", Kind::draft, {}, {}}, Row{"GIF", Kind::gif, {}, {}},
                           Row{"WebM", Kind::webm, {}, {}}, Row{"bursts", Kind::bursts, {}, {}}}) {
        if (wanted(row.name)) rows.push_back(row);
    }
    for (auto& row : rows) {
        const bool alpha = keepsAlpha(row.kind);
        const std::string ext = row.kind == Kind::mov    ? ".mov"
                                : row.kind == Kind::webm ? ".webm"
                                : row.kind == Kind::gif  ? ".gif"
                                                         : ".mp4";
        const std::string stem = row.kind == Kind::draft    ? "-draft"
                                 : row.kind == Kind::bursts ? "-bursts"
                                                            : "";
        const fs::path kestroOut = cache / ("kestro" + stem + ext);
        const fs::path ffmpegOut = cache / ("ffmpeg" + stem + ext);
        // The draft is judged against the MP4's reference, the WebM's colour against the MOV's.
        const char* referenceName = row.kind == Kind::draft    ? "MP4"
                                    : row.kind == Kind::bursts ? "bursts-held"
                                    : row.kind == Kind::webm ? "MOV"
                                                             : row.name;
        const Kind referenceKind = row.kind == Kind::draft  ? Kind::mp4
                                   : row.kind == Kind::webm ? Kind::mov
                                                            : row.kind;
        const fs::path reference = cache / (std::string("reference-") + referenceName + ".mkv");
        std::vector<std::string> kestroArgs{
            KESTRO_BENCH_CLI, "export", inputFor(row.kind).string(), "-o", kestroOut.string(),
            "--frame",        frame.string(), "--screen",      screenArg,    "--resolution",
            "720p",           "--background", alpha ? "transparent" : "black", "--quiet"};
        if (row.kind == Kind::draft) kestroArgs = concat(kestroArgs, {"--quality", "draft"});
        if (row.kind == Kind::webm || row.kind == Kind::gif) {
            kestroArgs = concat(kestroArgs, {"--end", std::to_string(kWebSeconds)});
        }
        if (row.kind == Kind::bursts) {
            kestroArgs = concat(kestroArgs, {"--end", std::to_string(kBurstSeconds)});
        }
        if (printOnly) {
            auto show = [](const char* what, const std::vector<std::string>& args) {
                std::printf("%s:", what);
                for (const auto& a : args) std::printf(" '%s'", a.c_str());
                std::printf("\n");
            };
            show("kestro", kestroArgs);
            show("ffmpeg", ffmpegArgs(row.kind, false, ffmpegOut));
            show("reference", ffmpegArgs(referenceKind, true, reference));
            continue;
        }
        for (int i = 0; i < runs; ++i) {
            for (int which = 0; which < 2; ++which) {
                const bool isKestro = (which == 0) == (i % 2 == 0);  // alternate who goes first
                const auto args = isKestro ? kestroArgs : ffmpegArgs(row.kind, false, ffmpegOut);
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
                side.user.push_back(m.user);
                side.mem.push_back(m.peakMb);
            }
        }
        // A GIF's 256 colours are a different question from encoding loss: no PSNR.
        if (row.kind == Kind::gif || !measureQuality) continue;
        if (!fs::exists(reference) &&
            !runOrReport(ffmpegArgs(referenceKind, true, reference), logs / "reference.log",
                         "rendering the reference")) {
            return 1;
        }
        // WebM alpha is compared by its colour: FFmpeg's own VP9 decoder leaves the alpha out.
        const std::string compareFormat = row.kind == Kind::mov ? "yuva444p10le" : "yuv444p";
        const int showRate = row.kind == Kind::bursts ? kSourceRate : 0;
        row.kestro.psnr =
            psnr(kestroOut, reference, compareFormat, logs / "psnr-kestro.log", showRate);
        row.ffmpeg.psnr =
            psnr(ffmpegOut, reference, compareFormat, logs / "psnr-ffmpeg.log", showRate);
    }

    // Kestro against itself: each pair of exports alternates, medians compared.
    struct SelfRow {
        const char* name;
        const char* base;
        const char* test;
        std::vector<std::string> baseArgs, testArgs;
        Side baseSide, testSide;
        double testFps = 0;
    };
    // A variable-rate cut of the source: its first 2 s at 60 fps, then a picture every half
    // second, each at its original time (average about 14 fps, captured at 60).
    const fs::path bursts = cache / "source-bursts.mp4";
    if (!printOnly && !fs::exists(bursts) &&
        !runOrReport(
            {KESTRO_BENCH_FFMPEG, "-hide_banner", "-y", "-i", source.string(), "-vf",
             "select='lt(t,2)+not(mod(n,30))'", "-fps_mode", "vfr", "-c:v", "libx264", "-preset",
             "veryfast", "-crf", "20", "-c:a", "copy", (cache / "bursts.partial.mp4").string()},
            logs / "bursts.log", "generating the variable-rate source")) {
        return 1;
    }
    if (!printOnly && !fs::exists(bursts)) fs::rename(cache / "bursts.partial.mp4", bursts);
    const fs::path selfOut = cache / "kestro-self.mp4";
    auto kestroExport = [&](const fs::path& input, const char* scale) {
        return std::vector<std::string>{KESTRO_BENCH_CLI,
                                        "export",
                                        input.string(),
                                        "-o",
                                        selfOut.string(),
                                        "--frame",
                                        frame.string(),
                                        "--screen",
                                        screenArg,
                                        "--scale",
                                        scale,
                                        "--end",
                                        "4",
                                        "--quiet"};
    };
    // The camera row: the same export with the camera in for most of it, two segments that
    // ease in and out (the ticks whose view moves) and pan between them, on the parts a tap
    // would be on: the bars, the moving squares and lines, the grey cross (an app's controls).
    // The same segments over the bursts-and-stills recording (a phone recording's usual shape):
    // a held view of a still picture repeats, as the unzoomed export's does. camNoise pans to
    // the block of moving noise instead and holds it at 2.5x: six times as much of the picture
    // is noise that changes every frame, which is the encoder's price for what the picture
    // shows (any encoder pays it), not the camera's.
    auto zoomed = [](std::vector<std::string> args, const char* second = "2.0-3.7@0.3,0.7x2.5") {
        for (const char* zoom : {"0.3-1.6@0.3,0.25x2", second}) {
            args.insert(args.end(), {"--zoom", zoom});
        }
        return args;
    };
    const std::vector<std::string> cameraExport = zoomed(kestroExport(source, "100"));
    std::vector<SelfRow> selfRows{{"zoom",
                                   "100 %",
                                   "600 %",
                                   kestroExport(source, "100"),
                                   kestroExport(source, "600"),
                                   {},
                                   {},
                                   0},
                                  {"camera",
                                   "1x",
                                   "zoomed",
                                   kestroExport(source, "100"),
                                   cameraExport,
                                   {},
                                   {},
                                   0},
                                  {"camNoise",
                                   "1x",
                                   "zoomed",
                                   kestroExport(source, "100"),
                                   zoomed(kestroExport(source, "100"), "2.0-3.7@0.7,0.7x2.5"),
                                   {},
                                   {},
                                   0},
                                  {"camVFR",
                                   "1x",
                                   "zoomed",
                                   kestroExport(stills, "100"),
                                   zoomed(kestroExport(stills, "100")),
                                   {},
                                   {},
                                   0},
                                  {"VFR",
                                   "60 fps",
                                   "bursts",
                                   kestroExport(source, "100"),
                                   kestroExport(bursts, "100"),
                                   {},
                                   {},
                                   0}};
    std::erase_if(selfRows, [&](const SelfRow& row) { return !wanted(row.name); });
    // The exporter reports each stage's processor time in the log: the compose thread's is the
    // part of the CPU time the picture's making costs, the rest mostly the encoder's.
    setenv("KESTRO_STAGE_TIMES", "1", 1);
    for (auto& row : selfRows) {
        if (printOnly) {
            for (const auto* args : {&row.baseArgs, &row.testArgs}) {
                std::printf("%s:", row.name);
                for (const auto& a : *args) std::printf(" '%s'", a.c_str());
                std::printf("\n");
            }
            continue;
        }
        for (int i = 0; i < runs; ++i) {
            for (int which = 0; which < 2; ++which) {
                const bool isTest = (which == 0) == (i % 2 == 0);
                const fs::path log = logs / (std::string("self-") + row.name + ".log");
                const Measure m = runChild(isTest ? row.testArgs : row.baseArgs, log);
                if (m.status != 0) {
                    std::fprintf(stderr, "export_bench: %s failed (status %d):\n%s\n", row.name,
                                 m.status, readText(log).c_str());
                    return 1;
                }
                Side& side = isTest ? row.testSide : row.baseSide;
                side.wall.push_back(m.wall);
                side.cpu.push_back(m.cpu);
                side.mem.push_back(m.peakMb);
                if (auto compose = stageCpu(readText(log), "kestro-compose")) {
                    side.compose.push_back(*compose);
                }
                if (isTest) {
                    if (auto reader = kestro::VideoReader::open(selfOut)) {
                        row.testFps = (*reader)->info().video.averageFrameRate;
                    }
                }
            }
        }
    }

    // The dressed canvas: the same MP4 export on a 16:9 canvas, plain and with a gradient and the
    // device's shadow. Everything they add is composed once, so per frame the two should cost
    // the same; the plain 16:9 row is the fair comparison (same canvas, same video size), the
    // MP4 row above the familiar one.
    struct CanvasRow {
        const char* name;
        std::vector<std::string> extra;
        Side kestro;
        std::vector<double> composeCpu;  // the compose thread's own time: the per-frame cost
    };
    std::vector<CanvasRow> canvasRows{
        {"16:9", {"--aspect", "16:9"}, {}, {}},
        {"16:9+", {"--aspect", "16:9", "--gradient", "#FF8800,#2244FF,135", "--shadow"}, {}, {}}};
    if (!wanted("canvas")) canvasRows.clear();
    // The exporter then reports each stage's processor time in the log.
    setenv("KESTRO_STAGE_TIMES", "1", 1);
    for (int i = 0; i < runs && !canvasRows.empty(); ++i) {
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
            if (auto compose = stageCpu(readText(log), "kestro-compose"))
                row.composeCpu.push_back(*compose);
        }
        if (printOnly) break;
    }
    unsetenv("KESTRO_STAGE_TIMES");

    if (printOnly) return 0;
    if (!rows.empty())
        std::printf("\n%-5s %-7s %9s %9s %9s %10s %9s\n", "", "", "wall s", "CPU s", "user s",
                    "peak MiB", "PSNR dB");
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
        const double ku = median(row.kestro.user), fu = median(row.ffmpeg.user);
        const double km = median(row.kestro.mem), fm = median(row.ffmpeg.mem);
        std::printf("%-5s %-7s %9.2f %9.2f %9.2f %10.1f %9s\n", row.name, "kestro", kw, kc, ku, km,
                    psnrText(row.kestro.psnr).c_str());
        std::printf("%-5s %-7s %9.2f %9.2f %9.2f %10.1f %9s\n", "", "ffmpeg", fw, fc, fu, fm,
                    psnrText(row.ffmpeg.psnr).c_str());
        std::string delta = "n/a";
        if (row.kestro.psnr && row.ffmpeg.psnr) {
            char text[32];
            std::snprintf(text, sizeof text, "%+.2f", *row.kestro.psnr - *row.ffmpeg.psnr);
            delta = text;
        }
        std::printf("%-5s %-7s %9.2f %9.2f %9.2f %10.2f %9s\n", "", "ratio", kw / fw, kc / fc,
                    ku / fu, km / fm, delta.c_str());
        if (row.kind == Kind::bursts) {
            const bool sharp = !row.kestro.psnr || !row.ffmpeg.psnr ||
                               *row.kestro.psnr >= *row.ffmpeg.psnr - 0.005;
            std::printf("%-5s bursts: CPU at most 0.6x ffmpeg: %s; PSNR equal or better: %s\n", "",
                        kc / fc <= 0.6 ? "yes" : "NO", sharp ? "yes" : "NO");
        }
    }
    // "compose s" is the compose thread's CPU time, "rest s" the CPU time besides it (the
    // encoder's threads for the most part, whose work follows what the pictures hold).
    if (!selfRows.empty()) {
        std::printf(
            "\nKestro against itself (MP4, first 4 s):\n%-8s %-7s %9s %9s %10s %9s %9s %9s\n", "",
            "", "wall s", "CPU s", "peak MiB", "out fps", "compose s", "rest s");
    }
    for (const auto& row : selfRows) {
        const double bw = median(row.baseSide.wall), tw = median(row.testSide.wall);
        const double bc = median(row.baseSide.cpu), tc = median(row.testSide.cpu);
        const double bm = median(row.baseSide.mem), tm = median(row.testSide.mem);
        const double bk = row.baseSide.compose.empty() ? 0 : median(row.baseSide.compose);
        const double tk = row.testSide.compose.empty() ? 0 : median(row.testSide.compose);
        std::printf("%-8s %-7s %9.2f %9.2f %10.1f %9s %9.2f %9.2f\n", row.name, row.base, bw, bc,
                    bm, "", bk, bc - bk);
        std::printf("%-8s %-7s %9.2f %9.2f %10.1f %9.2f %9.2f %9.2f\n", "", row.test, tw, tc, tm,
                    row.testFps, tk, tc - tk);
        std::printf("%-8s %-7s %9.2f %9.2f %10.2f %9s %9.2f %9.2f\n", "", "ratio", tw / bw, tc / bc,
                    tm / bm, "", bk > 0 ? tk / bk : 0.0, tc - tk > 0 ? (tc - tk) / (bc - bk) : 0.0);
    }

    // A draft is for a quick look: it must cost at most half the standard export.
    const Row* standard = nullptr;
    const Row* draft = nullptr;
    for (const auto& row : rows) {
        if (row.kind == Kind::mp4) standard = &row;
        if (row.kind == Kind::draft) draft = &row;
    }
    if (standard && draft) {
        const double cpu = median(draft->kestro.cpu) / median(standard->kestro.cpu);
        std::printf("\ndraft / standard MP4 (Kestro): wall %.2f, CPU %.2f (at most 0.5: %s)\n",
                    median(draft->kestro.wall) / median(standard->kestro.wall), cpu,
                    cpu <= 0.5 ? "yes" : "NO");
    }
    // Every run's wall time, in the order they ran, so the spread behind the medians shows.
    if (runs > 1) {
        std::printf("\nwall s of each run:\n");
        for (const auto& row : rows) {
            for (const bool isKestro : {true, false}) {
                const Side& side = isKestro ? row.kestro : row.ffmpeg;
                std::printf("%-5s %-7s", isKestro ? row.name : "", isKestro ? "kestro" : "ffmpeg");
                for (const double w : side.wall) std::printf(" %7.2f", w);
                std::printf("\n");
            }
        }
    }
    if (!canvasRows.empty()) {
        // The dressed canvas against the plain 16:9 one (same canvas, same video size) and
        // against the MP4 row, when it ran.
        const Row* mp4 = nullptr;
        for (const auto& row : rows) {
            if (row.kind == Kind::mp4) mp4 = &row;
        }
        const double plainCpu = median(canvasRows[0].kestro.cpu);
        const double plainWall = median(canvasRows[0].kestro.wall);
        std::printf("\ncanvas (Kestro, MP4 720p): %9s %9s %10s %13s %9s\n", "wall s", "CPU s",
                    "peak MiB", "CPU / 16:9", "CPU / MP4");
        for (const auto& row : canvasRows) {
            const double c = median(row.kestro.cpu);
            std::printf("%-26s %9.2f %9.2f %10.1f %13.3f %9.3f\n", row.name,
                        median(row.kestro.wall), c, median(row.kestro.mem), c / plainCpu,
                        mp4 ? c / median(mp4->kestro.cpu) : 0.0);
        }
        std::printf("%-26s %9.3f\n", "16:9+ / 16:9 wall",
                    median(canvasRows[1].kestro.wall) / plainWall);
        // The whole export also pays for the encoder, whose work grows with what the picture
        // holds (a gradient costs x264 more than flat black); the per-frame composition is ours.
        if (!canvasRows[0].composeCpu.empty() && !canvasRows[1].composeCpu.empty()) {
            const double plain = median(canvasRows[0].composeCpu);
            const double dressed = median(canvasRows[1].composeCpu);
            std::printf("%-26s %9.2f %9.2f %9.3f (at most 1.05: %s)\n",
                        "compose CPU s 16:9, 16:9+", plain, dressed, dressed / plain,
                        dressed / plain <= 1.05 ? "yes" : "NO");
        }
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
