// The check against each target: a movie that meets every rule, and for each rule a movie made
// by the ffmpeg tool that breaks it (and as little else as a cheap fixture allows). The failing
// rules are compared as a set, so a rule that wrongly fails or passes alongside shows up too.

#include "core/check/target_check.hpp"
#include "core/model/image.hpp"
#include "core/model/png.hpp"
#include "support/movie_fixtures.hpp"

#include <gmock/gmock.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace kestro {
namespace {

using test::ScratchDir;
namespace fs = std::filesystem;
using Rules = std::set<std::string>;

// A movie cheap to encode at a store's full size: one flat colour at 2 pictures a second, with
// silent stereo AAC at 48 kHz. Each field is the ffmpeg setting a fixture changes.
struct Recipe {
    std::string size = "886x1920";
    std::string rate = "2";
    double seconds = 16;
    std::string picture = "color=c=0x3366cc";
    std::string video = "-c:v libx264 -preset ultrafast -level 4.0";
    std::string sound = "-f lavfi -i anullsrc=r=48000:cl=stereo";
    std::string audio = "-c:a aac";
};

fs::path makeFixture(const ScratchDir& dir, const std::string& name, const Recipe& recipe) {
    const std::string seconds = std::to_string(recipe.seconds);
    const char* separator = recipe.picture.find('=') == std::string::npos ? "=" : ":";
    std::string args = "-f lavfi -i " + recipe.picture + separator + "s=" + recipe.size +
                       ":r=" + recipe.rate + ":d=" + seconds;
    if (!recipe.sound.empty()) args += " " + recipe.sound + " " + recipe.audio;
    args += " -t " + seconds + " " + recipe.video;
    const fs::path made = test::makeWithFfmpeg(dir / name, args);
    EXPECT_FALSE(made.empty()) << "ffmpeg could not make " << name;
    return made;
}

Rules failedRules(const fs::path& file, OutputTarget target) {
    const auto report = checkOutput(file.string(), target);
    if (!report) {
        ADD_FAILURE() << report.error();
        return {"<error>"};
    }
    Rules failed;
    for (const CheckRow& row : report->rows) {
        if (!row.pass) failed.insert(row.rule);
    }
    EXPECT_EQ(report->passed(), failed.empty());
    return failed;
}

TEST(TargetCheck, AnAppStorePreviewMeetingEveryRulePassesInEitherOrientation) {
    ScratchDir dir;
    const fs::path portrait = makeFixture(dir, "portrait.mp4", {});
    const auto report = checkOutput(portrait.string(), OutputTarget::appStoreIphone);
    ASSERT_TRUE(report.ok()) << report.error();
    EXPECT_TRUE(report->passed());
    // Every published rule has its row.
    Rules rules;
    for (const CheckRow& row : report->rows) rules.insert(row.rule);
    const Rules published{"video codec", "size",           "profile",           "level",
                          "frame rate",  "length",         "video bit rate",    "sound track",
                          "audio codec", "audio channels", "audio sample rate", "file size"};
    EXPECT_TRUE(std::includes(rules.begin(), rules.end(), published.begin(), published.end()));

    Recipe landscape;
    landscape.size = "1600x1200";
    landscape.seconds = 15;
    EXPECT_EQ(failedRules(makeFixture(dir, "ipad.mp4", landscape), OutputTarget::appStoreIpad),
              Rules{});
    // The same movie is the wrong size for the iPhone slot, and only that.
    EXPECT_EQ(failedRules(portrait, OutputTarget::appStoreIpad), Rules{"size"});
}

// One movie per rule, named after it; `broken` is every rule it breaks.
struct BrokenRule {
    std::string name;
    Rules broken;
    Recipe recipe;
};

BrokenRule breaking(std::string name, Rules broken, void (*change)(Recipe&)) {
    Recipe recipe;
    change(recipe);
    return {std::move(name), std::move(broken), recipe};
}

std::vector<BrokenRule> brokenRules() {
    return {
        breaking("size", {"size"}, [](Recipe& r) { r.size = "880x1920"; }),
        // MPEG-4 part 2 has neither H.264's profiles nor its levels.
        breaking("codec", {"video codec", "profile", "level"},
                 [](Recipe& r) { r.video = "-c:v mpeg4"; }),
        breaking("profile", {"profile"},
                 [](Recipe& r) { r.video += " -pix_fmt yuv444p -profile:v high444"; }),
        breaking("level", {"level"},
                 [](Recipe& r) { r.video = "-c:v libx264 -preset ultrafast -level 5.1"; }),
        // Sixty pictures a second at this size cost seconds to encode for sixteen seconds; one
        // second breaks the length rule as well.
        breaking("fps60", {"frame rate", "length"},
                 [](Recipe& r) {
                     r.rate = "60";
                     r.seconds = 1;
                 }),
        // Thirty pictures a second is the limit itself, which passes.
        breaking("fps30", {"length"},
                 [](Recipe& r) {
                     r.rate = "30";
                     r.seconds = 1;
                 }),
        breaking("short", {"length"}, [](Recipe& r) { r.seconds = 10; }),
        breaking("long", {"length"},
                 [](Recipe& r) {
                     r.seconds = 31;
                     r.rate = "1";
                 }),
        breaking("mono", {"audio channels"},
                 [](Recipe& r) { r.sound = "-f lavfi -i anullsrc=r=48000:cl=mono"; }),
        breaking("rate22k", {"audio sample rate"},
                 [](Recipe& r) { r.sound = "-f lavfi -i anullsrc=r=22050:cl=stereo"; }),
        breaking("ac3", {"audio codec"}, [](Recipe& r) { r.audio = "-c:a ac3"; }),
        breaking("silent", {"sound track", "audio codec", "audio channels", "audio sample rate"},
                 [](Recipe& r) { r.sound.clear(); }),
        // Noise that barely compresses, at one picture a second: about 20 Mbit/s.
        breaking("bitrate", {"video bit rate"},
                 [](Recipe& r) {
                     r.picture = "color=c=gray";
                     r.rate = "1";
                     r.video =
                         "-vf noise=alls=100:allf=t -c:v libx264 -preset ultrafast -qp 10 "
                         "-level 4.0";
                 }),
        // Past the size limit by one byte, without writing half a gigabyte: the movie's index
        // comes first, so a sparse tail of zeros after its pictures leaves it playable.
        breaking("filesize", {"file size"}, [](Recipe& r) { r.video += " -movflags +faststart"; }),
        // The store takes QuickTime movies too; a Matroska file it does not.
        breaking("quicktime", {}, [](Recipe&) {}),
        breaking("matroska", {"container"}, [](Recipe&) {}),
    };
}

class AppStoreRule : public ::testing::TestWithParam<BrokenRule> {};

TEST_P(AppStoreRule, IsCaughtByAMovieBreakingIt) {
    ScratchDir dir;
    const BrokenRule& c = GetParam();
    const fs::path movie =
        makeFixture(dir, c.name + (c.name == "quicktime"  ? ".mov"
                                   : c.name == "matroska" ? ".mkv"
                                                          : ".mp4"),
                    c.recipe);
    if (c.name == "filesize") fs::resize_file(movie, 500'000'001);
    EXPECT_EQ(failedRules(movie, OutputTarget::appStoreIphone), c.broken);
}

INSTANTIATE_TEST_SUITE_P(Each, AppStoreRule, ::testing::ValuesIn(brokenRules()),
                         [](const auto& info) { return info.param.name; });

TEST(TargetCheck, ThePromoVideoNeedsHighProfileTheListingSizeAndSound) {
    ScratchDir dir;
    Recipe promo;
    promo.size = "1920x1080";
    promo.seconds = 2;
    promo.picture = "testsrc2";
    promo.video = "-c:v libx264 -preset veryfast -profile:v high";
    EXPECT_EQ(failedRules(makeFixture(dir, "promo.mp4", promo), OutputTarget::playPromo), Rules{});

    Recipe baseline = promo;
    baseline.size = "1080x1920";
    baseline.video = "-c:v libx264 -preset veryfast -profile:v baseline";
    baseline.sound.clear();
    EXPECT_EQ(failedRules(makeFixture(dir, "baseline.mp4", baseline), OutputTarget::playPromo),
              (Rules{"profile", "audio codec"}));
    Recipe small = promo;
    small.size = "1280x720";
    EXPECT_EQ(failedRules(makeFixture(dir, "720p.mp4", small), OutputTarget::playPromo),
              Rules{"size"});
}

TEST(TargetCheck, PlainFormatsAreCheckedForTheirCodecAndPromisedAlpha) {
    ScratchDir dir;
    auto movie = [&dir](const std::string& name, const std::string& video) {
        Recipe r;
        r.size = "64x128";
        r.seconds = 1;
        r.rate = "10";
        r.picture = "testsrc2";
        r.sound.clear();
        r.video = video;
        return makeFixture(dir, name, r);
    };
    const fs::path mov4444 =
        movie("alpha.mov", "-vf format=yuva444p10le -c:v prores_ks -profile:v 4444");
    const fs::path mov422 = movie("opaque.mov", "-c:v prores_ks -profile:v 2");
    const fs::path webm = movie("clip.webm", "-c:v libvpx-vp9 -deadline realtime -cpu-used 8");
    const fs::path gif = movie("clip.gif", "");
    const fs::path mp4 = movie("clip.mp4", "-c:v libx264 -preset ultrafast");

    EXPECT_EQ(failedRules(mov4444, OutputTarget::mov), Rules{});
    EXPECT_EQ(failedRules(mov422, OutputTarget::mov), Rules{"alpha"});
    EXPECT_EQ(failedRules(webm, OutputTarget::webm), Rules{});
    EXPECT_EQ(failedRules(gif, OutputTarget::gif), Rules{});
    EXPECT_EQ(failedRules(mp4, OutputTarget::mp4), Rules{});
    EXPECT_EQ(failedRules(webm, OutputTarget::mp4), (Rules{"container", "video codec"}));
    EXPECT_EQ(failedRules(mp4, OutputTarget::mov), (Rules{"container", "video codec", "alpha"}));

    // A movie whose pictures were cut off after its header is reported as undecodable.
    const std::string bytes = test::fileContents(mp4);
    const fs::path cut = dir / "cut.mp4";
    {
        // The header (moov after the data with the default muxer) stays, the pictures go.
        std::ofstream out(cut, std::ios::binary);
        const auto moov = bytes.find("moov");
        ASSERT_NE(moov, std::string::npos);
        const auto mdat = bytes.find("mdat");
        ASSERT_NE(mdat, std::string::npos);
        std::string damaged = bytes;
        for (std::size_t i = mdat + 4; i < moov - 4 && i < damaged.size(); ++i) damaged[i] = 0;
        out << damaged;
    }
    EXPECT_EQ(failedRules(cut, OutputTarget::mp4), Rules{"decodable"});
}

// A movie cut off part way keeps the header it was written with: its pictures stop well before
// the length it states, which the decodable row says. A whole movie whose sound outlasts its
// pictures, or whose last picture is held for seconds, is not cut off.
TEST(TargetCheck, AMovieCutOffPartWayIsNotDecodable) {
    ScratchDir dir;
    const std::string clip = "-f lavfi -i testsrc2=s=64x128:r=10:d=3";
    const std::string h264 = " -c:v libx264 -preset ultrafast";
    const fs::path whole =
        test::makeWithFfmpeg(dir / "whole.mp4", clip + h264 + " -movflags +faststart");
    const fs::path wholeMkv =
        test::makeWithFfmpeg(dir / "whole.mkv", "-i " + whole.string() + " -c copy");
    for (const fs::path& source : {whole, wholeMkv}) {
        const fs::path cut = dir / ("cut" + source.extension().string());
        fs::copy_file(source, cut);
        fs::resize_file(cut, fs::file_size(source) * 4 / 10);
        const auto report = checkOutput(cut.string(), OutputTarget::mp4);
        ASSERT_TRUE(report.ok()) << report.error();
        const auto decodable =
            std::find_if(report->rows.begin(), report->rows.end(),
                         [](const CheckRow& r) { return r.rule == "decodable"; });
        ASSERT_NE(decodable, report->rows.end());
        EXPECT_FALSE(decodable->pass) << cut;
        EXPECT_EQ(decodable->expected, "yes");
        EXPECT_THAT(decodable->actual, ::testing::MatchesRegex("no: pictures stop at 1\\.[0-9]+ s "
                                                               "of the stated 3\\.00 s"));
    }

    const fs::path longSound = test::makeWithFfmpeg(
        dir / "sound.mp4", clip + " -f lavfi -i sine=r=48000:d=5" + h264 + " -c:a aac");
    // The last of ten pictures is held for two seconds (picture 29 follows it); Matroska keeps
    // that hold only in the track's stated length.
    const fs::path heldMp4 = test::makeWithFfmpeg(
        dir / "held.mp4", clip + " -vf \"select='lt(t\\,1)+eq(n\\,29)'\" -fps_mode vfr" + h264);
    const fs::path held =
        test::makeWithFfmpeg(dir / "held.mkv", "-i " + heldMp4.string() + " -c copy -frames:v 10");
    for (const fs::path& file : {longSound, held, wholeMkv}) {
        EXPECT_EQ(failedRules(file, OutputTarget::mp4),
                  file.extension() == ".mkv" ? Rules{"container"} : Rules{})
            << file;
    }
}

TEST(TargetCheck, TheFeatureGraphicIsAnOpaquePngOfTheListingSize) {
    ScratchDir dir;
    const Image opaque = Image::filled(1024, 500, Rgba{20, 40, 60, 255});
    const fs::path rgba = dir / "rgba.png";
    ASSERT_TRUE(savePng(opaque, rgba).ok());
    // Alpha in the file counts, even when every pixel is opaque.
    EXPECT_EQ(failedRules(rgba, OutputTarget::playFeatureGraphic), Rules{"alpha"});
    EXPECT_EQ(failedRules(rgba, OutputTarget::png), Rules{});

    const fs::path rgb = test::makeWithFfmpeg(
        dir / "rgb.png", "-f lavfi -i color=c=red:s=1024x500 -frames:v 1 -pix_fmt rgb24");
    EXPECT_EQ(failedRules(rgb, OutputTarget::playFeatureGraphic), Rules{});
    const fs::path wide = test::makeWithFfmpeg(
        dir / "wide.png", "-f lavfi -i color=c=red:s=1024x512 -frames:v 1 -pix_fmt rgb24");
    EXPECT_EQ(failedRules(wide, OutputTarget::playFeatureGraphic), Rules{"size"});
    // Grey with alpha is another of PNG's alpha layouts.
    const fs::path grey = test::makeWithFfmpeg(
        dir / "grey.png", "-f lavfi -i color=c=gray:s=1024x500 -frames:v 1 -pix_fmt ya8");
    EXPECT_EQ(failedRules(grey, OutputTarget::playFeatureGraphic), Rules{"alpha"});
}

TEST(TargetCheck, AFileOfTheWrongKindIsAClearErrorNotAReport) {
    ScratchDir dir;
    const fs::path text = dir / "notes.mp4";
    std::ofstream(text) << "not a movie at all";
    const Image picture = Image::filled(4, 4, Rgba{1, 2, 3, 255});
    const fs::path png = dir / "still.png";
    ASSERT_TRUE(savePng(picture, png).ok());
    const fs::path sound =
        test::makeWithFfmpeg(dir / "sound.m4a", "-f lavfi -i anullsrc=r=48000 -t 1 -c:a aac");

    for (const auto& [file, target] :
         {std::pair{text, OutputTarget::appStoreIphone}, std::pair{png, OutputTarget::mp4},
          std::pair{sound, OutputTarget::playPromo},
          std::pair{dir / "missing.mp4", OutputTarget::mp4}, std::pair{text, OutputTarget::png},
          std::pair{dir.path(), OutputTarget::mov}}) {
        const auto report = checkOutput(file.string(), target);
        ASSERT_FALSE(report.ok()) << file;
        // The message names the file the user gave.
        EXPECT_THAT(report.error(), ::testing::HasSubstr(file.filename().string()));
    }
}

}  // namespace
}  // namespace kestro
