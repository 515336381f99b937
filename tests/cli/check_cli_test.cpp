// kestro-cli check as a user runs it: the exit status tells pass, fail and misuse apart, the
// table and the JSON name each rule, and what export makes with a store preset passes its own
// target.

#include "cli/cli_run.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <set>
#include <string>

namespace kestro {
namespace {

namespace fs = std::filesystem;
using test::runCli;

TEST(CheckCli, ExitStatusSaysPassFailOrMisuse) {
    test::ScratchDir dir;
    const std::string movie =
        test::makeMovie(dir / "clip.mp4", {.width = 64, .height = 128, .fps = 10}).string();

    const auto pass = runCli({"check", movie, "--target", "mp4"});
    EXPECT_EQ(pass.status, 0) << pass.err;
    EXPECT_NE(pass.out.find("video codec"), std::string::npos) << pass.out;

    // A one-second 64 x 128 movie without sound breaks several App Store rules.
    const auto failed = runCli({"check", movie, "--target", "app-store-iphone", "--json"});
    EXPECT_EQ(failed.status, 1) << failed.err;
    const auto report = nlohmann::json::parse(failed.out, nullptr, false);
    ASSERT_TRUE(report.is_object()) << failed.out;
    EXPECT_EQ(report["target"], "app-store-iphone");
    EXPECT_EQ(report["passed"], false);
    EXPECT_EQ(report["file"], fs::absolute(movie).string());
    std::set<std::string> broken;
    for (const auto& row : report["checks"]) {
        ASSERT_TRUE(row.contains("expected") && row.contains("actual"));
        if (!row["pass"].get<bool>()) broken.insert(row["rule"].get<std::string>());
    }
    EXPECT_TRUE(broken.count("size") && broken.count("length") && broken.count("sound track"));
    EXPECT_FALSE(broken.count("video codec"));

    const auto unknown = runCli({"check", movie, "--target", "app-store-watch"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("app-store-watch"), std::string::npos) << unknown.err;
    EXPECT_EQ(runCli({"check", movie}).status, 2);

    // Not a movie: an error, no table, no crash.
    const fs::path text = dir / "notes.mp4";
    std::ofstream(text) << "plain text";
    const auto notMovie = runCli({"check", text.string(), "--target", "play-promo", "--json"});
    EXPECT_EQ(notMovie.status, 1);
    EXPECT_TRUE(nlohmann::json::parse(notMovie.out, nullptr, false).contains("error"))
        << notMovie.out;
}

TEST(CheckCli, GooglePlayPresetsMakeOutputsThatPassTheirOwnCheck) {
    test::ScratchDir dir;
    // Landscape and silent: the promo turns landscape and still carries a sound track.
    const std::string recording =
        test::makeMovie(dir / "rec.mp4", {.width = 160, .height = 90, .fps = 10}).string();
    const std::string promo = (dir / "promo.mp4").string();
    const auto made = runCli({"export", recording, "-o", promo, "--preset", "play-promo",
                              "--quality", "draft", "--quiet"});
    ASSERT_EQ(made.status, 0) << made.err;
    const auto promoCheck = runCli({"check", promo, "--target", "play-promo"});
    EXPECT_EQ(promoCheck.status, 0) << promoCheck.out;
    EXPECT_NE(promoCheck.out.find("1920×1080"), std::string::npos) << promoCheck.out;

    const std::string graphic = (dir / "feature.png").string();
    const auto still = runCli({"still", recording, "--at", "0.5", "-o", graphic, "--preset",
                               "play-feature-graphic", "--background", "transparent", "--quiet"});
    ASSERT_EQ(still.status, 0) << still.err;
    const auto graphicCheck = runCli({"check", graphic, "--target", "play-feature-graphic"});
    EXPECT_EQ(graphicCheck.status, 0) << graphicCheck.out;

    // The feature graphic is a picture and the promo a movie; asking otherwise is misuse, and
    // nothing is written.
    EXPECT_EQ(runCli({"export", recording, "-o", (dir / "g.mp4").string(), "--preset",
                      "play-feature-graphic"})
                  .status,
              2);
    EXPECT_EQ(runCli({"still", recording, "--at", "0", "-o", (dir / "p.png").string(), "--preset",
                      "play-promo"})
                  .status,
              2);
    EXPECT_FALSE(fs::exists(dir / "g.mp4") || fs::exists(dir / "p.png"));
}

}  // namespace
}  // namespace kestro
