// kestro-cli with the shipped device frames: landscape recordings, tablets, the automatic frame,
// the user's own frames folders, and framed pictures instead of movies.

#include "core/media/jpeg_image.hpp"
#include "core/model/image.hpp"
#include "core/model/png.hpp"

#include "cli/cli_run.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::runCli;

int countNear(const test::Picture& picture, Rgba colour) {
    int count = 0;
    for (int y = 0; y < picture.height; y += 2)
        for (int x = 0; x < picture.width; x += 2)
            count += test::near(picture.at(x, y), colour, 40);
    return count;
}

// A recording held sideways (the 2532 x 1170 shape, at a fifth): green, with a red strip at its
// left edge and a blue one at its right. Cropping to a portrait frame loses both strips.
TEST(FramingCli, LandscapeRecordingGetsATurnedFrameAndShowsAllOfItsPicture) {
    test::ScratchDir dir;
    const fs::path movie = test::makeWithFfmpeg(
        dir / "landscape.mp4",
        "-f lavfi -i color=c=0x20a020:s=506x234:r=10:d=0.5 -vf "
        "drawbox=x=0:y=0:w=24:h=ih:color=red:t=fill,drawbox=x=iw-24:y=0:w=24:h=ih:color=blue:t=fill"
        " -c:v libx264 -preset ultrafast -pix_fmt yuv420p");
    ASSERT_FALSE(movie.empty());
    const fs::path out = dir / "out.mp4";
    const CliRun run = runCli({"export", movie.string(), "-o", out.string(), "--frame",
                               "Frames/iphone16pro_black_titanium_portrait", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto picture = test::decodePicture(out, 0);
    ASSERT_TRUE(picture.has_value());
    EXPECT_GT(picture->width, picture->height);
    EXPECT_GT(countNear(*picture, {255, 0, 0, 255}), 50);
    EXPECT_GT(countNear(*picture, {0, 0, 255, 255}), 50);

    // Asked for portrait, the frame stays upright (and crops, as the user chose).
    const CliRun upright =
        runCli({"export", movie.string(), "-o", (dir / "upright.mp4").string(), "--frame",
                "Frames/iphone16pro_black_titanium_portrait", "--orientation", "portrait"});
    ASSERT_EQ(upright.status, 0) << upright.err;
    const auto tall = test::decodePicture(dir / "upright.mp4", 0);
    ASSERT_TRUE(tall.has_value());
    EXPECT_LT(tall->width, tall->height);
    EXPECT_EQ(countNear(*tall, {255, 0, 0, 255}), 0);
}

TEST(FramingCli, CatalogueListsTabletsInTheirGroupsWithBothOrientations) {
    const CliRun run = runCli({"frames", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto frames = nlohmann::json::parse(run.out);
    int tablets = 0;
    for (const auto& f : frames) {
        const std::string group = f["group"];
        tablets += group == "ipad" || group == "androidtablet";
        EXPECT_EQ(f["orientations"].size(), 2u) << f["key"];
    }
    EXPECT_GE(tablets, 8);
}

TEST(FramingCli, FramesFoldersFromOptionsAndEnvironmentJoinMyFrames) {
    test::ScratchDir dir;
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    Image device = Image::filled(100, 200, {30, 30, 30, 255});
    device.fillRect(10, 20, 80, 150, {});
    ASSERT_TRUE(savePng(device, dir / "a" / "studio_phone.png"));
    ASSERT_TRUE(savePng(device, dir / "b" / "desk-tablet.png"));
    std::ofstream(dir / "b" / "broken.png") << "no";

    ::setenv("KESTRO_FRAMES_PATH", (dir / "b").c_str(), 1);
    const CliRun run = runCli({"frames", "--json", "--frames-dir", (dir / "a").string()});
    ::unsetenv("KESTRO_FRAMES_PATH");
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> mine;
    for (const auto& f : nlohmann::json::parse(run.out))
        if (f["group"] == "myframes") mine.push_back(f["label"]);
    EXPECT_EQ(mine, (std::vector<std::string>{"Studio Phone", "Desk Tablet"}));
    EXPECT_NE(run.err.find("broken.png"), std::string::npos) << run.err;

    // An export takes such a frame by its file name.
    const fs::path movie = test::makeMovie(dir / "rec.mp4", {.fps = 10, .seconds = 0.3});
    const CliRun exported =
        runCli({"export", movie.string(), "-o", (dir / "o.mp4").string(), "--frames-dir",
                (dir / "a").string(), "--frame", "studio_phone", "--quiet"});
    EXPECT_EQ(exported.status, 0) << exported.err;
}

// A screenshot of an iPhone 16 Pro / 17 Pro screen, one flat colour.
fs::path screenshot(const test::ScratchDir& dir) {
    const fs::path path = dir / "shot.png";
    EXPECT_TRUE(savePng(Image::filled(1206, 2622, {200, 40, 40, 255}), path));
    return path;
}

TEST(FramingCli, ScreenshotsAndMomentsOfARecordingBecomeFramedPictures) {
    test::ScratchDir dir;
    const fs::path shot = screenshot(dir);

    // PNG in, PNG out: the automatic frame says which it took, transparency is kept.
    const fs::path png = dir / "framed.png";
    const CliRun framed = runCli({"export", shot.string(), "-o", png.string(), "--frame", "auto",
                                  "--background", "transparent"});
    ASSERT_EQ(framed.status, 0) << framed.err;
    EXPECT_NE(framed.err.find("iPhone 17 Pro"), std::string::npos) << framed.err;
    const auto picture = loadPng(png);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->width, 1280);
    EXPECT_EQ(picture->alpha(0, 0), 0);
    EXPECT_TRUE(
        test::near(picture->at(picture->width / 2, picture->height / 2), {200, 40, 40, 255}, 6));

    // JPEG out over a gradient: opaque everywhere.
    const fs::path jpeg = dir / "framed.jpg";
    const CliRun gradient = runCli({"export", shot.string(), "-o", jpeg.string(), "--frame", "auto",
                                    "--gradient", "#1E3C72,#2A5298", "--padding", "10", "--quiet"});
    ASSERT_EQ(gradient.status, 0) << gradient.err;
    const auto flat = loadJpeg(jpeg);
    ASSERT_TRUE(flat.has_value());
    EXPECT_TRUE(test::near(flat->at(2, 2), {0x1E, 0x3C, 0x72, 255}, 12));

    // One moment of a recording.
    const fs::path movie = test::makeSolidMovie(dir / "solid.mp4", 40, 160, 220,
                                                {.width = 120, .height = 260, .fps = 10});
    const fs::path poster = dir / "poster.png";
    const CliRun still =
        runCli({"still", movie.string(), "--at", "0.5", "-o", poster.string(), "--frame", "auto"});
    ASSERT_EQ(still.status, 0) << still.err;
    const auto frame = loadPng(poster);
    ASSERT_TRUE(frame.has_value());
    EXPECT_TRUE(test::near(frame->at(frame->width / 2, frame->height / 2), {40, 160, 220, 255}, 8));

    // An odd width grows by one, as a movie's does, and the JSON gives the size written.
    const fs::path odd = dir / "odd.png";
    const CliRun grown = runCli(
        {"still", movie.string(), "--at", "0.5", "-o", odd.string(), "--width", "241", "--json"});
    ASSERT_EQ(grown.status, 0) << grown.err;
    EXPECT_EQ(nlohmann::json::parse(grown.out).at("width"), 242);
    const auto oddPicture = loadPng(odd);
    ASSERT_TRUE(oddPicture.has_value());
    EXPECT_EQ(oddPicture->width, 242);

    // A movie cannot be written from a picture, nor a picture from a movie without a time.
    EXPECT_EQ(runCli({"export", shot.string(), "-o", (dir / "x.mp4").string()}).status, 2);
    EXPECT_EQ(runCli({"export", movie.string(), "-o", (dir / "x.png").string()}).status, 2);
    EXPECT_FALSE(fs::exists(dir / "x.mp4"));
    EXPECT_FALSE(fs::exists(dir / "x.png"));
}

}  // namespace
}  // namespace kestro
