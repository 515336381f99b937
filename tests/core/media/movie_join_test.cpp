// Joining recorded pieces by stream copy: the length is the sum, every frame is kept in order,
// and a failure leaves an earlier file at the destination untouched.

#include "core/media/movie_join.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace kestro {
namespace {

TEST(MovieJoin, PiecesBecomeOneMovieAsLongAsTheirSum) {
    test::ScratchDir scratch;
    const auto a = test::makeCountingMovie(scratch / "a.mp4", 10, 7);
    const auto b = test::makeCountingMovie(scratch / "b.mp4", 10, 5);
    const auto out = scratch / "joined.mp4";
    ASSERT_TRUE(joinMovies({a, b}, out).ok());

    const auto probe = test::probeMovie(out);
    ASSERT_TRUE(probe && probe->video);
    EXPECT_EQ(probe->video->frames, 12);
    EXPECT_NEAR(probe->duration, 1.2, 0.05);
    // Copied, not re-encoded: the second piece restarts its count where it was recorded.
    const std::vector<int> luma = test::lumaAt(out, 32, 32);
    ASSERT_EQ(luma.size(), 12u);
    EXPECT_EQ(test::frameNumberFromLuma(luma[6]), 6);
    EXPECT_EQ(test::frameNumberFromLuma(luma[7]), 0);
    EXPECT_EQ(test::frameNumberFromLuma(luma[11]), 4);
    // Nothing but the result is left in the folder.
    EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"a.mp4", "b.mp4", "joined.mp4"}));
}

TEST(MovieJoin, FailuresLeaveAnEarlierFileAlone) {
    test::ScratchDir scratch;
    const auto good = test::makeCountingMovie(scratch / "good.mp4", 10, 3);
    const auto other = test::makeCountingMovie(scratch / "other.mp4", 10, 3, 32, 32);
    { std::ofstream(scratch / "broken.mp4") << "not a movie"; }
    const auto out = scratch / "out.mp4";
    { std::ofstream(out) << "earlier"; }
    EXPECT_FALSE(joinMovies({}, out).ok());
    EXPECT_FALSE(joinMovies({good, scratch / "broken.mp4"}, out).ok());
    EXPECT_FALSE(joinMovies({good, scratch / "missing.mp4"}, out).ok());
    // Same codec, different picture size: copying would make an unplayable stream.
    EXPECT_FALSE(joinMovies({good, other}, out).ok());
    // A piece with a sound track more.
    const auto withSound = test::makeMovie(scratch / "audio.mp4", {.audio = true});
    EXPECT_FALSE(joinMovies({good, withSound}, out).ok());
    EXPECT_EQ(std::filesystem::file_size(out), 7u);
    for (const auto& name : scratch.entries()) EXPECT_FALSE(name.ends_with(".part")) << name;
}

}  // namespace
}  // namespace kestro
