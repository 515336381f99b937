// No leftovers: a writer killed outright leaves nothing behind (or nothing that outlives the next
// export into the folder), and writers racing to one destination end with one whole file.

#include "core/media/output_file.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kestro {
namespace {

using test::ScratchDir;
using Temporary = OutputFile::Temporary;

std::string contents(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(OutputFile& file, const std::string& text) {
    avio_write(file.io(), reinterpret_cast<const unsigned char*>(text.data()),
               static_cast<int>(text.size()));
    avio_flush(file.io());
}

// A child process that starts writing `destination` and is killed with SIGKILL mid-way.
void killWriterMidWay(const std::filesystem::path& destination, Temporary kind) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        auto file = OutputFile::create(destination, {}, kind);
        if (!file) ::_exit(1);
        writeAll(**file, std::string(100000, 'm'));
        const char byte = 1;
        (void)!::write(ready[1], &byte, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the writer failed before writing";
    ::close(ready[0]);
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
}

TEST(OutputFileLeftovers, AKilledWriterLeavesNothingOnceTheFolderIsWrittenAgain) {
    for (const auto kind : {Temporary::unnamedWhereSupported, Temporary::named}) {
        ScratchDir dir;
        const auto dest = dir / "movie.mp4";
        std::ofstream(dest) << "earlier";
        killWriterMidWay(dest, kind);
        EXPECT_EQ(contents(dest), "earlier");

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
    EXPECT_EQ(contents(dir / "movie.mp4"), "in progress");

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
            EXPECT_EQ(contents(dest), firstCommitsLast ? bodyA : bodyB);
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
    const std::string result = contents(dest);
    ASSERT_GE(result.size(), 50000u);
    EXPECT_EQ(result.find_first_not_of(result.front()), std::string::npos);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mp4"});
}

}  // namespace
}  // namespace kestro
