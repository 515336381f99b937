// playback_bench: does the preview keep up with a phone recording in real time?
//
// Plays a 60 fps portrait recording (the bundled sample, else a generated 1170 x 2532 one) for a
// fixed wall time at the size of an on-screen preview, starting over whenever it reaches the
// end, and compares the pictures shown with the pictures that fell due. Pictures that were
// dropped unconverted because their successor was already due count as late; pictures the
// decoder skipped to catch up are the due ones it never handed out.
//
// Usage: playback_bench [MOVIE | --generated] [--seconds S] [--width W]

#include "core/media/movie_probe.hpp"
#include "core/media/player.hpp"
#include "core/media/player_frame_converter.hpp"
#include "core/media/video_reader.hpp"

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// What real-time playback costs, independent of how busy the machine is: CPU seconds to decode
// and convert pictures as the player does, as fast as possible, per picture.
struct Cost {
    double decodeMs = 0;
    double convertMs = 0;
};
Cost measureCost(const fs::path& movie, int width, int height, int pictures) {
    Cost cost;
    kestro::VideoReader::Options options;
    options.threads = 2;
    auto reader = kestro::VideoReader::open(movie, options);
    if (!reader) return cost;
    kestro::PlayerFrameConverter converter((*reader)->info().video.rotation);
    double converting = 0;
    int count = 0;
    const double start = cpuSeconds();
    for (; count < pictures; ++count) {
        auto frame = (*reader)->next();
        if (!frame || !*frame) break;
        const double before = threadSeconds();
        (void)converter.convert(*(*frame)->frame, width, height);
        converting += threadSeconds() - before;
    }
    if (count == 0) return cost;
    const double total = cpuSeconds() - start;
    cost.convertMs = 1000 * converting / count;
    cost.decodeMs = 1000 * (total - converting) / count;
    return cost;
}

// How much of a core one busy thread of this process gets right now: on a machine shared with
// other work, this bounds what any player here could do.
double availableShare() {
    const double cpuStart = threadSeconds();
    timespec start{}, now{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    do {
        clock_gettime(CLOCK_MONOTONIC, &now);
    } while (static_cast<double>(now.tv_sec - start.tv_sec) +
                 static_cast<double>(now.tv_nsec - start.tv_nsec) / 1e9 <
             1.0);
    return threadSeconds() - cpuStart;
}

bool run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
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

// A recording with a phone's size and rate when the bundled one is missing.
fs::path generatedRecording() {
    const fs::path dir = KESTRO_BENCH_CACHE;
    const fs::path movie = dir / "playback-1170x2532-60fps.mp4";
    if (fs::exists(movie)) return movie;
    fs::create_directories(dir);
    std::fprintf(stderr, "generating %s\n", movie.c_str());
    const fs::path partial = dir / "playback-partial.mp4";
    if (!run({KESTRO_BENCH_FFMPEG, "-v", "error", "-y", "-f", "lavfi", "-i",
              "testsrc2=size=1170x2532:rate=60:duration=10", "-c:v", "libx264", "-preset",
              "veryfast", "-pix_fmt", "yuv420p", partial.string()})) {
        return {};
    }
    fs::rename(partial, movie);
    return movie;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path movie;
    double seconds = 10;
    int previewWidth = 400;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--width" && i + 1 < argc) {
            previewWidth = std::atoi(argv[++i]);
        } else if (arg == "--generated") {
            movie = generatedRecording();
            if (movie.empty()) {
                std::fprintf(stderr, "cannot make a recording to play\n");
                return 1;
            }
        } else if (!arg.empty() && arg[0] != '-') {
            movie = arg;
        } else {
            std::fprintf(stderr,
                         "usage: playback_bench [MOVIE | --generated] [--seconds S] [--width W]\n");
            return 2;
        }
    }
    if (movie.empty()) {
        movie = fs::path(KESTRO_BENCH_SAMPLE);
        if (!fs::exists(movie)) movie = generatedRecording();
        if (movie.empty()) {
            std::fprintf(stderr, "cannot make a recording to play\n");
            return 1;
        }
    }

    std::atomic<int> loops{0};
    std::atomic<int> failures{0};
    std::mutex mutex;
    std::condition_variable firstFrame;
    bool haveFrame = false;
    kestro::Player* player = nullptr;

    kestro::Player::Events events;
    events.frameReady = [&] {
        std::lock_guard lock(mutex);
        haveFrame = true;
        firstFrame.notify_all();
    };
    // Start over at the end, as a looping preview would: the seek back is part of the cost.
    events.reachedEnd = [&] {
        loops.fetch_add(1);
        player->seek(0);
        player->play();
    };
    events.failed = [&](const std::string& message) {
        failures.fetch_add(1);
        std::fprintf(stderr, "playback failed: %s\n", message.c_str());
    };
    auto opened = kestro::Player::open(movie, events);
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.error().message.c_str());
        return 1;
    }
    player = opened->get();
    const int previewHeight = static_cast<int>(
        std::lround(static_cast<double>(previewWidth) * player->height() / player->width()));
    player->setTargetSize(previewWidth, previewHeight);
    {
        std::unique_lock lock(mutex);
        firstFrame.wait_for(lock, std::chrono::seconds(10), [&] { return haveFrame; });
    }

    // Due pictures are counted at the rate the source claims.
    auto probed = kestro::probeMovie(movie);
    const double claimed = probed ? probed->video.averageFrameRate : 0;
    const double fps = claimed > 0 ? claimed : 60;
    const kestro::Player::Stats before = player->stats();
    const double cpuBefore = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    player->play();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    player->pause();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuBefore;
    const kestro::Player::Stats after = player->stats();

    const long long due = std::llround(wall * fps);
    const long long shown = after.framesShown - before.framesShown;
    const long long decoded = after.framesDecoded - before.framesDecoded;
    const long long late = after.framesLate - before.framesLate;
    const long long skipped = std::max(0LL, due - decoded);
    std::printf("movie      %s (%d x %d, %.2f s)\n", movie.c_str(), player->width(),
                player->height(), player->duration());
    std::printf("preview    %d x %d, %.1f s played, %d restart(s) at the end\n", previewWidth,
                previewHeight, wall, loops.load());
    std::printf("shown      %lld of %lld due (%.1f%%)\n", shown, due,
                due > 0 ? 100.0 * static_cast<double>(shown) / static_cast<double>(due) : 0.0);
    std::printf("late       %lld decoded but dropped unconverted\n", late);
    std::printf("skipped    %lld never decoded (decoder catching up), %lld keyframe jump(s)\n",
                skipped, static_cast<long long>(after.keyframeJumps - before.keyframeJumps));
    std::printf("cpu        %.2f s over %.2f s wall (%.0f%% of one core)\n", cpu, wall,
                100.0 * cpu / wall);
    opened->reset();

    std::printf(
        "machine    one busy thread got %.0f%% of a core for 1 s (the rest went to other work)\n",
        100.0 * availableShare());
    const Cost cost = measureCost(movie, previewWidth, previewHeight, 180);
    std::printf(
        "cost       %.2f ms decoding + %.2f ms converting per picture: every picture at "
        "%.0f fps needs %.0f%% of one core\n",
        cost.decodeMs, cost.convertMs, fps, fps * (cost.decodeMs + cost.convertMs) / 10.0);
    return failures.load() == 0 ? 0 : 1;
}
