// kestro-cli export, driven as a user drives it: as a child process, checked by its exit status,
// its streams and the files it leaves behind. What the pictures look like is the export engine's
// and checked by its own tests; here only what the options choose is read back.

#include "core/export/export_error.hpp"
#include "core/model/png.hpp"

#include "cli/cli_run.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::runCli;

std::string joined(const std::vector<std::string>& args) {
    std::string line;
    for (const auto& a : args) line += a + " ";
    return line;
}

class ExportCli : public ::testing::Test {
protected:
    // A 1:2 recording with sound, 1 s at 10 fps.
    std::string source() {
        return test::makeMovie(dir / "rec.mp4", {.fps = 10, .audio = true}).string();
    }
    // A 100 x 200 device (1280 x 2560 at 720p) inside a transparent margin that trimming removes.
    std::string frame() {
        EXPECT_TRUE(
            savePng(test::makeFrameImage(120, 220, 10, 10, {60, 60, 60, 255}), dir / "device.png"));
        return (dir / "device.png").string();
    }
    test::ScratchDir dir;
};

TEST_F(ExportCli, UsageMistakesExitWithTwoAndWriteNothing) {
    const fs::path input = dir / "in.mp4";
    std::ofstream(input) << "not really a movie";
    const std::string in = input.string();
    const std::string out = (dir / "out.mp4").string();
    std::vector<std::vector<std::string>> mistakes{
        {"export", in},                                    // no output
        {"export", "-o", out},                             // no input
        {"export", in, "-o", (dir / "out.mkv").string()},  // unknown format
        {"export", in, "-o", in},                          // would destroy the input
        {"export", in, "-o", dir.path().string() + "/"},
    };
    // Options after "export in.mp4 -o out.mp4", split at their spaces.
    const std::string options[] = {
        "--format avi", "--resolution 4k", "--background red", "--background #12345",
        "--background #-1-2-3", "--gradient #ff0000", "--gradient #ff0000,blue",
        "--gradient #ff0000,#0000ff,left", "--gradient #ff0000,#0000ff,90,1",
        "--gradient #ff0000,#00ff --shadow", "--gradient #ff0000,#0000ff --background-image " + in,
        "--aspect 3:2", "--padding 50", "--padding -1", "--padding wide", "--screen 10,10,80",
        "--screen 10,10,95,80", "--screen 10,10,0,80", "--start soon", "--scale nan", "--fps 0",
        "--fps 0.5", "--fps 241", "--fps nan", "--frame Frames/no_such_frame", "--quality ultra",
        "--width 8", "--width wide", "--preset app-store-watch", "--scale 5", "--scale 1001",
        "--scale 1e5", "--scale 1e9",
        // A preview has the store's size and container.
        "--preset app-store-ipad --width 800", "--preset app-store-ipad --format gif"};
    for (const std::string& extra : options) {
        mistakes.push_back({"export", in, "-o", out});
        std::istringstream words(extra);
        for (std::string word; words >> word;) mistakes.back().push_back(word);
    }
    for (const auto& args : mistakes) {
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 2) << joined(args) << "\n" << run.err;
        EXPECT_FALSE(run.err.empty()) << joined(args);
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.mp4"});
    EXPECT_EQ(test::fileContents(input), "not really a movie");
}

TEST_F(ExportCli, OptionsChooseTheFormatSizeRateAndRange) {
    const std::string recording = source();
    const std::string device = frame();
    // Exports to `name` with `options` and reads back what was written.
    auto check = [&](const std::string& name, std::vector<std::string> options,
                     const std::string& codec, int width, int height, const std::string& rate,
                     double seconds, bool sound) {
        SCOPED_TRACE(name);
        const fs::path output = dir / name;
        std::vector<std::string> args{"export", recording, "-o", output.string()};
        args.insert(args.end(), options.begin(), options.end());
        const bool quiet = std::find(args.begin(), args.end(), "--quiet") != args.end();
        if (!quiet) args.push_back("--json");
        const CliRun run = runCli(args);
        ASSERT_EQ(run.status, 0) << run.err;
        if (quiet) {
            EXPECT_TRUE(run.out.empty()) << run.out;
        } else {
            const auto result = nlohmann::json::parse(run.out, nullptr, false);
            ASSERT_TRUE(result.is_object()) << run.out;
            EXPECT_EQ(result["output"], fs::absolute(output).string());
            EXPECT_EQ(result["format"], output.extension().string().substr(1));
            EXPECT_EQ(result["width"], width);
            EXPECT_EQ(result["height"], height);
            ASSERT_TRUE(result["duration"].is_number());
            EXPECT_NEAR(result["duration"].get<double>(), seconds, 0.1);
        }
        const auto probe = test::probeMovie(output);
        ASSERT_TRUE(probe && probe->video);
        const test::StreamProbe& video = *probe->video;
        EXPECT_EQ(std::tie(video.codec, video.width, video.height),
                  std::make_tuple(codec, width, height));
        if (!rate.empty()) {
            EXPECT_EQ(video.frameRate, rate);
        }
        EXPECT_EQ(probe->audio.has_value(), sound);
        // "transparent" reaches the engine: the decoder reports 4:4:4 with alpha.
        if (codec == "prores") {
            EXPECT_EQ(video.pixelFormat.rfind("yuva444p", 0), 0u);
        }
    };
    // The format follows the name, in any case; without a frame the canvas takes the recording's
    // 1:2 shape; a MOV carries video only.
    check("clip.MOV", {"--background", "transparent", "--width", "256", "--quiet"}, "prores", 256,
          512, "", 1, false);
    check("framed.mp4", {"--frame", device, "--start", "0.5", "--background", "white"}, "h264",
          1280, 2560, "", 0.5, true);
    // GIFs default to 600 px wide at 15 fps.
    check("clip.gif", {"--frame", device, "--background", "transparent"}, "gif", 600, 1200, "15/1",
          1, false);
    check("clip.webm", {"--width", "320", "--fps", "10", "--quality", "draft"}, "vp9", 320, 640,
          "10/1", 1, true);
    // A chosen shape wins over the recording's.
    check("wide.mp4",
          {"--aspect", "16:9", "--gradient", "#ff0000, #0000ff, 90", "--shadow", "--padding", "5"},
          "h264", 1280, 720, "", 1, true);
}

TEST_F(ExportCli, FailuresExitWithOneSayWhyAndKeepTheEarlierFile) {
    const std::string recording = source();
    std::ofstream(dir / "notes.mp4") << "these are notes, not a movie\n";
    std::ofstream(dir / "fake.jpg") << "plain text";
    const std::string fake = (dir / "fake.jpg").string();
    const std::string none = (dir / "none.png").string();
    // A screenshot renamed to look like a recording.
    ASSERT_TRUE(savePng(test::makeFrameImage(40, 80, 0, 4, {0, 0, 0, 255}), dir / "shot.mp4"));
    const std::string device = frame();
    const struct {
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {{(dir / "missing.mp4").string()}, "kestro-cli: "},
        {{(dir / "notes.mp4").string(), "--json"}, ""},
        {{recording, "--start", "5", "--end", "9"},
         ExportError::invalidTrimRange().errorDescription()},
        {{recording, "--background-image", fake}, fake},
        {{recording, "--background-image", none}, none},
        // A preview must run 15 to 30 s; the message names the measured length.
        {{recording, "--preset", "app-store-iphone", "--json"}, "1.00"},
        {{(dir / "shot.mp4").string()}, "not a movie"},
        // 5000 wide makes the 1:2 device 10000 high: refused with the limit, not blamed on the
        // disk.
        {{recording, "--frame", device, "--width", "5000", "--json"}, "8192"},
    };
    const fs::path output = dir / "out.mp4";
    for (const auto& c : cases) {
        std::vector<std::string> args{"export", "-o", output.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(joined(args));
        std::ofstream(output) << "earlier";
        const CliRun run = runCli(args);
        EXPECT_EQ(run.status, 1) << run.err;
        // With --json the error is an object on standard output, otherwise a line on standard
        // error.
        std::string said = run.err;
        if (std::find(args.begin(), args.end(), "--json") != args.end()) {
            const auto error = nlohmann::json::parse(run.out, nullptr, false);
            ASSERT_TRUE(error.is_object() && error["error"]["description"].is_string()) << run.out;
            EXPECT_TRUE(error["error"].contains("recoverySuggestion"));
            said = error["error"]["description"];
        }
        EXPECT_FALSE(said.empty());
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(test::fileContents(output), "earlier");
    }
    // No temporary left beside it.
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"device.png", "fake.jpg", "notes.mp4",
                                                        "out.mp4", "rec.mp4", "shot.mp4"}));
}

// Sound FFmpeg cannot decode costs the sound, not the export, and the user is told in every
// mode.
TEST_F(ExportCli, UnreadableSoundExportsTheVideoAndWarns) {
    const fs::path recording = test::makeWithFfmpeg(
        dir / "rec.mov",
        "-f lavfi -i testsrc2=s=64x128:r=10:d=1 -f lavfi -i sine=d=1 -c:v libx264 -preset "
        "ultrafast -c:a pcm_s16le");
    ASSERT_FALSE(recording.empty());
    // An audio codec tag no decoder knows.
    std::string bytes = test::fileContents(recording);
    const auto tag = bytes.find("sowt");
    ASSERT_NE(tag, std::string::npos);
    bytes.replace(tag, 4, "zzzz");
    std::ofstream(recording, std::ios::binary | std::ios::trunc) << bytes;

    const fs::path output = dir / "out.mp4";
    const CliRun plain = runCli({"export", recording.string(), "-o", output.string(), "--quiet"});
    EXPECT_EQ(plain.status, 0) << plain.err;
    const std::string start = "The recording's sound could not be read (";
    const std::string end = "); the video was exported without sound.\n";
    ASSERT_EQ(plain.err.rfind(start, 0), 0u) << plain.err;
    EXPECT_EQ(plain.err.find('\n'), plain.err.size() - 1) << "one line";
    EXPECT_EQ(plain.err.substr(plain.err.size() - end.size()), end);
    const auto probe = test::probeMovie(output);
    ASSERT_TRUE(probe);
    EXPECT_TRUE(probe->video && !probe->audio);

    const CliRun json = runCli({"export", recording.string(), "-o", output.string(), "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    const auto result = nlohmann::json::parse(json.out, nullptr, false);
    ASSERT_TRUE(result.is_object()) << json.out;
    EXPECT_EQ(result["warnings"], nlohmann::json::array({plain.err.substr(0, plain.err.size() - 1)}));

    // A recording whose sound is fine has nothing to warn about.
    const CliRun clean = runCli({"export", source(), "-o", output.string(), "--json"});
    EXPECT_EQ(nlohmann::json::parse(clean.out, nullptr, false)["warnings"], nlohmann::json::array());
}

TEST_F(ExportCli, CtrlCCancelsAndKeepsTheEarlierFile) {
    // Long enough that the export is still running when the signal arrives.
    const fs::path source = test::makeMovie(dir / "long.mp4", {.seconds = 60});
    const fs::path output = dir / "keep.mp4";
    std::ofstream(output) << "earlier export";

    // 16:9 keeps the canvas this test has always timed (a portrait one is 3.5 times larger).
    ChildProcess child = test::startCli({"export", source.string(), "-o", output.string(),
                                         "--resolution", "1440p", "--aspect", "16:9"});
    // Wait for the export to start writing: a named temporary file appears beside the output
    // where the file system has no unnamed files; where it has them, nothing shows, and two
    // seconds are far more than opening this small source takes.
    auto writing = [&] {
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (name != "keep.mp4" && name.find("keep") != std::string::npos) return true;
        }
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!writing() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto signalled = std::chrono::steady_clock::now();
    child.interrupt();
    const CliRun run = test::finishCli(child);
    const auto took = std::chrono::steady_clock::now() - signalled;

    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_NE(run.err.find(ExportError::exportCancelled().errorDescription()), std::string::npos)
        << run.err;
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_EQ(test::fileContents(output), "earlier export");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"keep.mp4", "long.mp4"}));
}

}  // namespace
}  // namespace kestro
