// render_bench: one `kestro-cli render` of a project with several outputs against the separate
// `kestro-cli export` / `still` runs that make the same files.
//
// The recording is generated (1170 x 2532, 30 fps, 6 s, H.264 with sound, the shape of a phone
// recording) and framed in a shipped iPhone frame; the outputs are an MP4 at the frame's own
// size, a 1080p MP4, a 600 px GIF and a PNG still. Both sides run as child processes and are
// timed by the wall clock, N runs of each interleaved, medians printed: the wall clock, and the
// processor time (user + system) of the children, which a machine busy with other work disturbs
// less. The row passes when render takes less time by both.
//
// Usage: render_bench [--runs N] [--cache DIR]

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

std::string quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct Times {
    double wall = 0;
    double cpu = 0;  // user + system of the finished children
};

double childrenCpu() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

Times timed(const std::string& command) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuBefore = childrenCpu();
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
        std::fprintf(stderr, "render_bench: failed: %s\n", command.c_str());
        std::exit(1);
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            childrenCpu() - cpuBefore};
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 3;
    fs::path cache = KESTRO_BENCH_CACHE;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        else if (arg == "--cache") cache = argv[i + 1];
    }
    const std::string cli = quote(KESTRO_BENCH_CLI);
    const fs::path work = cache / "render";
    fs::create_directories(work);
    const fs::path recording = work / "recording.mp4";
    if (!fs::exists(recording)) {
        const std::string make = quote(KESTRO_BENCH_FFMPEG) +
                                 " -y -loglevel error -f lavfi -i testsrc2=size=1170x2532:rate=30:duration=6"
                                 " -f lavfi -i sine=frequency=440:duration=6 -c:v libx264 -preset veryfast"
                                 " -pix_fmt yuv420p -c:a aac -shortest " + quote(recording.string());
        if (std::system(make.c_str()) != 0) return 1;
    }
    const std::string frame = "Frames/iphone15_black_portrait";
    const fs::path project = work / "bench.kestro";
    const std::string init = cli + " init " + quote(project.string()) + " --from " + quote(recording.string()) +
                             " --frame " + frame + " --background '#203040' --output mp4:small.mp4" +
                             " --output png:poster.png --output gif:readme.gif";
    if (std::system((init + " >/dev/null").c_str()) != 0) return 1;
    // A fourth output at 1080p, added as a user would edit the file.
    nlohmann::json document = nlohmann::json::parse(std::ifstream(project));
    document["outputs"].push_back({{"name", "large"}, {"target", "mp4"}, {"file", "large.mp4"}, {"resolution", "1080p"}});
    std::ofstream(project) << document.dump(2);

    const fs::path together = work / "together";
    const fs::path apart = work / "apart";
    fs::create_directories(apart);
    const std::string common = " --frame " + frame + " --background '#203040' --quiet";
    const std::string in = quote(recording.string());
    const std::vector<std::string> separate = {
        cli + " export " + in + " -o " + quote((apart / "small.mp4").string()) + common,
        cli + " export " + in + " -o " + quote((apart / "large.mp4").string()) + " --resolution 1080p" + common,
        cli + " export " + in + " -o " + quote((apart / "readme.gif").string()) + common,
        cli + " still " + in + " --at 0 -o " + quote((apart / "poster.png").string()) + common,
    };
    const std::string render =
        cli + " render " + quote(project.string()) + " --quiet --output-dir " + quote(together.string());

    std::vector<double> renderWall, separateWall, renderCpu, separateCpu;
    for (int run = 0; run < runs; ++run) {
        const Times together = timed(render);
        renderWall.push_back(together.wall);
        renderCpu.push_back(together.cpu);
        Times sum;
        for (const std::string& command : separate) {
            const Times one = timed(command);
            sum.wall += one.wall;
            sum.cpu += one.cpu;
        }
        separateWall.push_back(sum.wall);
        separateCpu.push_back(sum.cpu);
    }
    const double rw = median(renderWall), sw = median(separateWall);
    const double rc = median(renderCpu), sc = median(separateCpu);
    const bool faster = rw < sw && rc < sc;
    std::printf("%-34s %8s %10s %10s %8s %10s %8s\n", "render (4 outputs, 1 run)", "render s",
                "separate s", "wall ratio", "cpu s", "sep cpu s", "cpu ratio");
    std::printf("%-34s %8.2f %10.2f %10.2f %8.2f %10.2f %8.2f  %s\n",
                "mp4 + mp4 1080p + gif + png", rw, sw, rw / sw, rc, sc, rc / sc,
                faster ? "PASS (render is faster)" : "FAIL (render is not faster)");
    return faster ? 0 : 1;
}
