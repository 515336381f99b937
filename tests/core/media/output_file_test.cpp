// The temporary output file: the user's earlier file survives anything short of success, a
// writer killed outright leaves nothing behind (or nothing that outlives the next export into the
// folder), and writers racing to one destination end with one whole file.

#include "core/media/output_file.hpp"
#include "core/platform.hpp"

#include "support/killed_child.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace kestro {
namespace {

using test::ScratchDir;
using Temporary = OutputFile::Temporary;

void writeAll(OutputFile& file, const std::string& text) {
    avio_write(file.io(), reinterpret_cast<const unsigned char*>(text.data()),
               static_cast<int>(text.size()));
    avio_flush(file.io());
}

bool unnamedFilesWorkIn(const std::filesystem::path& folder) {
    const int probe = platform::openUnnamedFile(folder);
    if (probe >= 0) ::close(probe);
    return probe >= 0;
}

TEST(OutputFileTest, ReplacesTheDestinationOnlyOnCommit) {
    for (const auto kind : {Temporary::unnamedWhereSupported, Temporary::named}) {
        ScratchDir dir;
        const auto dest = dir / "movie.mp4";
        std::ofstream(dest) << "earlier";

        {
            auto file = OutputFile::create(dest, {}, kind);
            ASSERT_TRUE(file) << file.error().message;
            // Where the system offers unnamed files (Linux, on the usual local file systems),
            // nothing a killed writer could leave is ever visible.
            EXPECT_EQ((*file)->isUnnamed(),
                      kind == Temporary::unnamedWhereSupported && unnamedFilesWorkIn(dir.path()));
            writeAll(**file, "half a movie");
            EXPECT_EQ(test::fileContents(dest), "earlier");
            if ((*file)->isUnnamed()) {
                EXPECT_TRUE((*file)->tempPath().empty());
                EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mp4"});
            } else {
                EXPECT_EQ((*file)->tempPath().parent_path(), dir.path());
                EXPECT_EQ(dir.entries().size(), 2u);
            }
            // Dropped without commit: as if it never happened.
        }
        EXPECT_EQ(test::fileContents(dest), "earlier");
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mp4"});

        auto file = OutputFile::create(dest, {}, kind);
        ASSERT_TRUE(file);
        writeAll(**file, "a whole movie");
        avio_seek((*file)->io(), 2, SEEK_SET);  // muxers go back to patch sizes
        writeAll(**file, "W");
        // The muxer reads the file back (to move the index to the front) by this name.
        const std::string url = (*file)->url();
        ASSERT_EQ(url.rfind("file:", 0), 0u);
        EXPECT_EQ(test::fileContents(url.substr(5)), "a Whole movie");
        ASSERT_TRUE((*file)->commit());
        file = fail(OutputFileError{});  // destroy it: a committed file must stay
        EXPECT_EQ(test::fileContents(dest), "a Whole movie");
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mp4"});
    }
}

TEST(OutputFileTest, FullDiskIsRecordedAndNothingReplaced) {
    ScratchDir dir;
    const auto dest = dir / "movie.mov";
    std::ofstream(dest) << "earlier";
    size_t budget = 10;
    auto file =
        OutputFile::create(dest, [&budget](int fd, const void* data, size_t size) -> ssize_t {
            if (budget == 0) {
                errno = ENOSPC;
                return -1;
            }
            const size_t n = std::min(size, budget);
            budget -= n;
            return ::write(fd, data, n);
        });
    ASSERT_TRUE(file);
    writeAll(**file, "more than ten bytes of movie");
    EXPECT_EQ((*file)->writeErrno(), ENOSPC);
    EXPECT_LT((*file)->io()->error, 0);
    auto committed = (*file)->commit();
    ASSERT_FALSE(committed);
    EXPECT_EQ(committed.error().errnum, ENOSPC);
    file = fail(OutputFileError{});
    EXPECT_EQ(test::fileContents(dest), "earlier");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mov"});
}

TEST(OutputFileTest, UnusableDestinationsNameTheCause) {
    ScratchDir dir;
    std::ofstream(dir / "plain") << "x";
    const std::pair<std::filesystem::path, const char*> cases[] = {
        {dir / "no" / "such" / "folder.mp4", "No such file or directory"},
        {dir / "plain" / "out.mp4", "Not a directory"},
        {dir.path(), "folder"},
    };
    for (const auto& [path, cause] : cases) {
        auto file = OutputFile::create(path);
        ASSERT_FALSE(file) << path;
        EXPECT_NE(file.error().message.find(cause), std::string::npos) << file.error().message;
    }
}

// A child process that starts writing `destination` and is killed with SIGKILL mid-way.
void killWriterMidWay(const std::filesystem::path& destination, Temporary kind) {
    test::killWhenReady(
        {"output-file", destination.string(), kind == Temporary::named ? "named" : "unnamed"});
}

TEST(OutputFileLeftovers, AKilledWriterLeavesNothingOnceTheFolderIsWrittenAgain) {
    for (const auto kind : {Temporary::unnamedWhereSupported, Temporary::named}) {
        ScratchDir dir;
        const auto dest = dir / "movie.mp4";
        std::ofstream(dest) << "earlier";
        killWriterMidWay(dest, kind);
        EXPECT_EQ(test::fileContents(dest), "earlier");

        // An unnamed file vanished with its writer; a named one waits for the next writer,
        // which finds its lock free and removes it.
        auto next = OutputFile::create(dir / "other.mov", {}, kind);
        ASSERT_TRUE(next);
        next = fail(OutputFileError{});
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mp4"})
            << "temporary kind " << static_cast<int>(kind);
    }
}

TEST(OutputFileLeftovers, ALiveWritersFileIsNeverTakenForAbandoned) {
    ScratchDir dir;
    auto writing = OutputFile::create(dir / "movie.mp4", {}, Temporary::named);
    ASSERT_TRUE(writing);
    writeAll(**writing, "in progress");
    // Another writer in the same process (a second export) and a tidy-up both leave it alone.
    auto second = OutputFile::create(dir / "movie.mp4", {}, Temporary::named);
    ASSERT_TRUE(second);
    EXPECT_EQ(OutputFile::removeAbandoned(dir.path()), 0);
    EXPECT_TRUE(std::filesystem::exists((*writing)->tempPath()));
    ASSERT_TRUE((*writing)->commit());
    EXPECT_EQ(test::fileContents(dir / "movie.mp4"), "in progress");

    // Files that only look like ours are not touched.
    std::ofstream(dir / ".movie.mp4.kestro-12-short.part") << "x";
    std::ofstream(dir / "movie.mp4.kestro-12-abcdefgh.part") << "x";
    EXPECT_EQ(OutputFile::removeAbandoned(dir.path()), 0);
}

TEST(OutputFileLeftovers, RacingWritersEndWithTheLastCommittedFileWhole) {
    for (const auto kind : {Temporary::unnamedWhereSupported, Temporary::named}) {
        for (const bool firstCommitsLast : {false, true}) {
            ScratchDir dir;
            const auto dest = dir / "movie.mp4";
            auto a = OutputFile::create(dest, {}, kind);
            auto b = OutputFile::create(dest, {}, kind);
            ASSERT_TRUE(a && b);
            const std::string bodyA(300000, 'a');
            const std::string bodyB(200000, 'b');
            writeAll(**a, bodyA);
            writeAll(**b, bodyB);
            ASSERT_TRUE((firstCommitsLast ? *b : *a)->commit());
            ASSERT_TRUE((firstCommitsLast ? *a : *b)->commit());
            a = fail(OutputFileError{});
            b = fail(OutputFileError{});
            EXPECT_EQ(test::fileContents(dest), firstCommitsLast ? bodyA : bodyB);
            EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mp4"});
        }
    }
}

TEST(OutputFileLeftovers, ConcurrentWritersNeverMixTheirBytes) {
    ScratchDir dir;
    const auto dest = dir / "movie.mp4";
    std::vector<std::thread> writers;
    for (char mark : {'x', 'y', 'z'}) {
        writers.emplace_back([&dest, mark] {
            for (int round = 0; round < 20; ++round) {
                auto file = OutputFile::create(dest);
                if (!file) continue;
                writeAll(**file, std::string(50000 + round, mark));
                if (round % 3 != 2) (void)(*file)->commit();  // some give up instead
            }
        });
    }
    for (auto& w : writers) w.join();
    const std::string result = test::fileContents(dest);
    ASSERT_GE(result.size(), 50000u);
    EXPECT_EQ(result.find_first_not_of(result.front()), std::string::npos);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mp4"});
}

}  // namespace
}  // namespace kestro
