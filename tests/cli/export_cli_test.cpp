// kestro-cli export, driven as a user drives it: as a child process, checked by its exit status,
// its streams and the files it leaves behind.

#include "core/model/image.hpp"
#include "core/model/png.hpp"

#include "cli/cli_run.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace kestro {
namespace {

namespace fs = std::filesystem;

using Outcome = test::CliRun;

class ExportCli : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(::testing::TempDir()) /
               (std::string("kestro-export-cli-") + info->name() + "-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "scratch");
    }
    void TearDown() override { fs::remove_all(dir_); }

    Outcome run(const std::vector<std::string>& args) { return test::runCli(args); }

    // A small source with sound: colour bars and a tone.
    fs::path makeSource(const std::string& name, double seconds, const std::string& size,
                        int rate) {
        const fs::path path = dir_ / name;
        const std::string command =
            std::string(KESTRO_FFMPEG) + " -v error -y -f lavfi -i testsrc2=size=" + size +
            ":rate=" + std::to_string(rate) + ":duration=" + std::to_string(seconds) +
            " -f lavfi -i sine=frequency=440:sample_rate=48000:duration=" +
            std::to_string(seconds) +
            " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest '" +
            path.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return path;
    }

    // An opaque grey device with a transparent opening inset by 10% on every side, inside a
    // transparent margin that trimming removes.
    fs::path makeFrame(const std::string& name, int width, int height) {
        Image image = Image::filled(width + 20, height + 20);
        image.fillRect(10, 10, width, height, {60, 60, 60, 255});
        image.fillRect(10 + width / 10, 10 + height / 10, width * 8 / 10, height * 8 / 10, {});
        const fs::path path = dir_ / name;
        EXPECT_TRUE(savePng(image, path).ok());
        return path;
    }

    nlohmann::json probe(const fs::path& movie) {
        const fs::path out = dir_ / "scratch" / "probe.json";
        const std::string command = std::string(KESTRO_FFPROBE) +
                                    " -v error -show_streams -show_format -of json '" +
                                    movie.string() + "' > '" + out.string() + "'";
        if (std::system(command.c_str()) != 0) return {};
        return nlohmann::json::parse(test::fileContents(out), nullptr, false);
    }

    fs::path dir_;
};

TEST_F(ExportCli, UsageMistakesExitWithTwoAndWriteNothing) {
    const fs::path source = dir_ / "in.mp4";
    std::ofstream(source) << "not really a movie";
    const std::string out = (dir_ / "out.mp4").string();
    const std::vector<std::vector<std::string>> mistakes{
        {"export", source.string()},                                     // no output
        {"export", "-o", out},                                           // no input
        {"export", source.string(), "-o", (dir_ / "out.mkv").string()},  // unknown format
        {"export", source.string(), "-o", out, "--format", "avi"},
        {"export", source.string(), "-o", out, "--resolution", "4k"},
        {"export", source.string(), "-o", out, "--background", "red"},
        {"export", source.string(), "-o", out, "--background", "#12345"},
        {"export", source.string(), "-o", out, "--background", "#-1-2-3"},
        {"export", source.string(), "-o", out, "--gradient", "#ff0000"},
        {"export", source.string(), "-o", out, "--gradient", "#ff0000,blue"},
        {"export", source.string(), "-o", out, "--gradient", "#ff0000,#0000ff,left"},
        {"export", source.string(), "-o", out, "--gradient", "#ff0000,#0000ff,90,1"},
        {"export", source.string(), "-o", out, "--gradient", "#ff0000,#00ff", "--shadow"},
        {"export", source.string(), "-o", out, "--gradient", "#ff0000,#0000ff",
         "--background-image", source.string()},
        {"export", source.string(), "-o", out, "--aspect", "3:2"},
        {"export", source.string(), "-o", out, "--padding", "50"},
        {"export", source.string(), "-o", out, "--padding", "-1"},
        {"export", source.string(), "-o", out, "--padding", "wide"},
        {"export", source.string(), "-o", out, "--screen", "10,10,80"},
        {"export", source.string(), "-o", out, "--screen", "10,10,95,80"},
        {"export", source.string(), "-o", out, "--screen", "10,10,0,80"},
        {"export", source.string(), "-o", out, "--start", "soon"},
        {"export", source.string(), "-o", out, "--scale", "nan"},
        {"export", source.string(), "-o", out, "--fps", "0.5"},
        {"export", source.string(), "-o", out, "--fps", "241"},
        {"export", source.string(), "-o", out, "--fps", "nan"},
        {"export", source.string(), "-o", out, "--frame", "Frames/no_such_frame"},
        {"export", source.string(), "-o", source.string()},  // would destroy the input
        {"export", source.string(), "-o", dir_.string() + "/"},
    };
    for (const auto& args : mistakes) {
        const Outcome o = run(args);
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_EQ(o.status, 2) << line << "\n" << o.err;
        EXPECT_FALSE(o.err.empty()) << line;
    }
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(test::fileContents(source), "not really a movie");
}

TEST_F(ExportCli, CanvasShapeFollowsTheRecordingOrTheChosenAspect) {
    // A portrait recording without a frame: a portrait canvas, not a 16:9 strip.
    const fs::path source = makeSource("portrait.mp4", 0.2, "90x160", 10);
    Outcome o =
        run({"export", source.string(), "-o", (dir_ / "plain.mp4").string(), "--json", "--quiet"});
    ASSERT_EQ(o.status, 0) << o.err;
    auto result = nlohmann::json::parse(o.out);
    EXPECT_EQ(result["width"], 1280);
    EXPECT_EQ(result["height"], 2276);

    o = run({"export", source.string(), "-o", (dir_ / "wide.mp4").string(), "--aspect", "16:9",
             "--gradient", "#ff0000, #0000ff, 90", "--shadow", "--padding", "5", "--json",
             "--quiet"});
    ASSERT_EQ(o.status, 0) << o.err;
    result = nlohmann::json::parse(o.out);
    EXPECT_EQ(result["width"], 1280);
    EXPECT_EQ(result["height"], 720);
}

TEST_F(ExportCli, UnreadableBackgroundImageFailsAndWritesNothing) {
    const fs::path source = makeSource("in.mp4", 0.2, "90x160", 10);
    std::ofstream(dir_ / "fake.jpg") << "plain text";
    for (const std::string& picture :
         {(dir_ / "fake.jpg").string(), (dir_ / "none.png").string()}) {
        const Outcome o = run({"export", source.string(), "-o", (dir_ / "out.mp4").string(),
                               "--background-image", picture, "--quiet"});
        EXPECT_EQ(o.status, 1) << o.err;
        EXPECT_NE(o.err.find(picture), std::string::npos) << o.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "out.mp4"));
}

TEST_F(ExportCli, UnreadableInputFailsWithItsDescription) {
    const fs::path missing = dir_ / "missing.mp4";
    Outcome o = run({"export", missing.string(), "-o", (dir_ / "out.mp4").string()});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("kestro-cli: "), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(dir_ / "out.mp4"));

    const fs::path text = dir_ / "notes.mp4";
    std::ofstream(text) << "these are notes, not a movie\n";
    o = run({"export", text.string(), "-o", (dir_ / "out.mov").string(), "--json"});
    EXPECT_EQ(o.status, 1);
    const auto error = nlohmann::json::parse(o.out, nullptr, false);
    ASSERT_TRUE(error.is_object()) << o.out;
    ASSERT_TRUE(error.contains("error"));
    EXPECT_TRUE(error["error"]["description"].is_string());
    EXPECT_FALSE(error["error"]["description"].get<std::string>().empty());
    EXPECT_TRUE(error["error"].contains("recoverySuggestion"));
    // Nothing at the destination and no temporary left beside it.
    for (const auto& entry : fs::directory_iterator(dir_)) {
        EXPECT_EQ(entry.path().filename().string().find("out"), std::string::npos)
            << entry.path();
    }
}

TEST_F(ExportCli, EmptyTrimRangeIsRefusedWithItsText) {
    const fs::path source = makeSource("short.mp4", 1, "64x128", 10);
    const Outcome o = run({"export", source.string(), "-o", (dir_ / "out.mp4").string(),
                           "--start", "5", "--end", "9"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("Invalid trim range selected. The end time must be after the start time."),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(fs::exists(dir_ / "out.mp4"));
}

TEST_F(ExportCli, FramedMp4WithJsonResult) {
    const fs::path source = makeSource("rec.mp4", 1.0, "96x192", 20);
    const fs::path frame = makeFrame("device.png", 100, 200);  // 1280 x 2560 at 720p
    const fs::path output = dir_ / "framed.mp4";
    const Outcome o = run({"export", source.string(), "-o", output.string(), "--frame",
                           frame.string(), "--start", "0.5", "--background", "white", "--json"});
    ASSERT_EQ(o.status, 0) << o.err;

    const auto result = nlohmann::json::parse(o.out, nullptr, false);
    ASSERT_TRUE(result.is_object()) << o.out;
    EXPECT_EQ(result["output"], fs::absolute(output).string());
    EXPECT_EQ(result["format"], "mp4");
    EXPECT_EQ(result["width"], 1280);
    EXPECT_EQ(result["height"], 2560);
    ASSERT_TRUE(result["duration"].is_number());
    EXPECT_NEAR(result["duration"].get<double>(), 0.5, 0.1);

    const auto info = probe(output);
    ASSERT_TRUE(info.contains("streams")) << info.dump();
    bool video = false, audio = false;
    for (const auto& s : info["streams"]) {
        if (s["codec_type"] == "video") {
            video = true;
            EXPECT_EQ(s["codec_name"], "h264");
            EXPECT_EQ(s["width"], 1280);
            EXPECT_EQ(s["height"], 2560);
        }
        if (s["codec_type"] == "audio") audio = true;
    }
    EXPECT_TRUE(video);
    EXPECT_TRUE(audio);
}

TEST_F(ExportCli, MovWithoutFrameTakesTheRecordingsShapeInProResWithAlpha) {
    const fs::path source = makeSource("rec.mp4", 0.5, "64x128", 10);
    const fs::path output = dir_ / "clip.MOV";  // the format follows the name, in any case
    const Outcome o = run({"export", source.string(), "-o", output.string(), "--background",
                           "transparent", "--quiet"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(o.out.empty()) << o.out;

    const auto info = probe(output);
    ASSERT_TRUE(info.contains("streams")) << info.dump();
    ASSERT_EQ(info["streams"].size(), 1u) << "a MOV carries video only";
    const auto& s = info["streams"][0];
    EXPECT_EQ(s["codec_name"], "prores");
    EXPECT_EQ(s["codec_tag_string"], "ap4h");
    // The decoder reports 4444 with alpha at its own depth (12 bits); the alpha plane is what
    // matters.
    EXPECT_EQ(s["pix_fmt"].get<std::string>().rfind("yuva444p", 0), 0u) << s["pix_fmt"];
    // The 1:2 recording gives a 1:2 canvas at the resolution's width.
    EXPECT_EQ(s["width"], 1280);
    EXPECT_EQ(s["height"], 2560);
}

TEST_F(ExportCli, CtrlCCancelsAndKeepsTheEarlierFile) {
    // Long enough that the export is still running when the signal arrives.
    const fs::path source = makeSource("long.mp4", 60, "64x128", 30);
    const fs::path output = dir_ / "keep.mp4";
    std::ofstream(output) << "earlier export";

    // 16:9 keeps the canvas this test has always timed (a portrait one is 3.5 times larger).
    ChildProcess child = test::startCli({"export", source.string(), "-o", output.string(),
                                         "--resolution", "1440p", "--aspect", "16:9"});
    // Wait for the export to start writing (its temporary file appears beside the output).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto busy = [&] {
        for (const auto& entry : fs::directory_iterator(dir_)) {
            const auto name = entry.path().filename().string();
            if (entry.path() != output && name.find("keep") != std::string::npos) return true;
        }
        return false;
    };
    while (!busy() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto signalled = std::chrono::steady_clock::now();
    child.interrupt();
    const Outcome o = test::finishCli(child);
    const auto took = std::chrono::steady_clock::now() - signalled;

    EXPECT_EQ(o.status, 130) << o.err;
    EXPECT_NE(o.err.find("Export was cancelled by the user."), std::string::npos) << o.err;
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_EQ(test::fileContents(output), "earlier export");
    for (const auto& entry : fs::directory_iterator(dir_)) {
        const auto name = entry.path().filename().string();
        EXPECT_TRUE(entry.path() == output || name.find("keep") == std::string::npos)
            << "left behind: " << name;
    }
}


TEST_F(ExportCli, TargetOptionMistakesExitWithTwo) {
    const fs::path source = makeSource("rec.mp4", 0.5, "64x128", 10);
    const std::string out = (dir_ / "out.mp4").string();
    const std::vector<std::vector<std::string>> mistakes{
        {"export", source.string(), "-o", out, "--quality", "ultra"},
        {"export", source.string(), "-o", out, "--fps", "0"},
        {"export", source.string(), "-o", out, "--fps", "1000"},
        {"export", source.string(), "-o", out, "--width", "8"},
        {"export", source.string(), "-o", out, "--width", "wide"},
        {"export", source.string(), "-o", out, "--preset", "app-store-watch"},
        // A preview has the store's size and container.
        {"export", source.string(), "-o", out, "--preset", "app-store-ipad", "--width", "800"},
        {"export", source.string(), "-o", out, "--preset", "app-store-ipad", "--format", "gif"},
    };
    for (const auto& args : mistakes) {
        const Outcome o = run(args);
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_EQ(o.status, 2) << line << "\n" << o.err;
        EXPECT_FALSE(o.err.empty()) << line;
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(ExportCli, GifAndWebmFollowTheOutputNameWithWidthAndRate) {
    const fs::path source = makeSource("rec.mp4", 1.0, "64x128", 20);
    const fs::path frame = makeFrame("device.png", 100, 200);
    const fs::path gif = dir_ / "clip.gif";
    Outcome o = run({"export", source.string(), "-o", gif.string(), "--frame", frame.string(),
                     "--background", "transparent", "--json"});
    ASSERT_EQ(o.status, 0) << o.err;
    auto result = nlohmann::json::parse(o.out, nullptr, false);
    EXPECT_EQ(result["format"], "gif");
    auto info = probe(gif);
    ASSERT_EQ(info["streams"].size(), 1u) << info.dump();
    EXPECT_EQ(info["streams"][0]["codec_name"], "gif");
    EXPECT_EQ(info["streams"][0]["width"], 600);  // GIFs default to 600 px wide, 15 fps
    EXPECT_EQ(info["streams"][0]["height"], 1200);
    EXPECT_EQ(info["streams"][0]["r_frame_rate"], "15/1");

    const fs::path webm = dir_ / "clip.webm";
    o = run({"export", source.string(), "-o", webm.string(), "--width", "320", "--fps", "10",
             "--quality", "draft", "--quiet"});
    ASSERT_EQ(o.status, 0) << o.err;
    info = probe(webm);
    ASSERT_TRUE(info.contains("streams")) << info.dump();
    bool video = false, audio = false;
    for (const auto& s : info["streams"]) {
        if (s["codec_type"] == "video") {
            video = true;
            EXPECT_EQ(s["codec_name"], "vp9");
            EXPECT_EQ(s["width"], 320);
            EXPECT_EQ(s["height"], 640);  // without a frame, the recording's own shape
            EXPECT_EQ(s["r_frame_rate"], "10/1");
        }
        if (s["codec_type"] == "audio") {
            audio = true;
            EXPECT_EQ(s["codec_name"], "opus");
        }
    }
    EXPECT_TRUE(video);
    EXPECT_TRUE(audio);
}

TEST_F(ExportCli, APreviewOfTheWrongLengthFailsWithOneAndKeepsTheEarlierFile) {
    const fs::path source = makeSource("rec.mp4", 2.0, "64x128", 10);
    const fs::path output = dir_ / "preview.mp4";
    std::ofstream(output) << "earlier preview";
    const Outcome o = run({"export", source.string(), "-o", output.string(), "--preset",
                           "app-store-iphone", "--json"});
    EXPECT_EQ(o.status, 1) << o.err;
    const auto error = nlohmann::json::parse(o.out, nullptr, false);
    ASSERT_TRUE(error.is_object()) << o.out;
    // The message names the measured length.
    EXPECT_NE(error["error"]["description"].get<std::string>().find("2.00"), std::string::npos)
        << o.out;
    EXPECT_EQ(test::fileContents(output), "earlier preview");
    for (const auto& entry : fs::directory_iterator(dir_)) {
        const auto name = entry.path().filename().string();
        EXPECT_TRUE(entry.path() == output || name.find("preview") == std::string::npos)
            << "left behind: " << name;
    }
}

}  // namespace
}  // namespace kestro
