// The temporary output file: the user's earlier file survives anything short of success.

#include "core/media/output_file.hpp"
#include "core/platform.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace kestro {
namespace {

using test::ScratchDir;

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

TEST(OutputFileTest, ReplacesTheDestinationOnlyOnCommit) {
    for (const auto kind :
         {OutputFile::Temporary::unnamedWhereSupported, OutputFile::Temporary::named}) {
        ScratchDir dir;
        const auto dest = dir / "movie.mp4";
        std::ofstream(dest) << "earlier";

        {
            auto file = OutputFile::create(dest, {}, kind);
            ASSERT_TRUE(file) << file.error().message;
            writeAll(**file, "half a movie");
            EXPECT_EQ(contents(dest), "earlier");
            if ((*file)->isUnnamed()) {
                EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mp4"});
            } else {
                EXPECT_EQ((*file)->tempPath().parent_path(), dir.path());
                EXPECT_EQ(dir.entries().size(), 2u);
            }
            // Dropped without commit: as if it never happened.
        }
        EXPECT_EQ(contents(dest), "earlier");
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mp4"});

        auto file = OutputFile::create(dest, {}, kind);
        ASSERT_TRUE(file);
        writeAll(**file, "a whole movie");
        avio_seek((*file)->io(), 2, SEEK_SET);  // muxers go back to patch sizes
        writeAll(**file, "W");
        // The muxer reads the file back (to move the index to the front) by this name.
        const std::string url = (*file)->url();
        ASSERT_EQ(url.rfind("file:", 0), 0u);
        EXPECT_EQ(contents(url.substr(5)), "a Whole movie");
        ASSERT_TRUE((*file)->commit());
        file = fail(OutputFileError{});  // destroy it: a committed file must stay
        EXPECT_EQ(contents(dest), "a Whole movie");
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mp4"});
    }
}

TEST(OutputFileTest, OnLinuxFileSystemsTheTemporaryFileHasNoName) {
    // Where the system offers unnamed files (Linux, on the usual local file systems), nothing a
    // killed writer could leave is ever visible; the named fallback is tested alongside.
    ScratchDir dir;
    const int probe = platform::openUnnamedFile(dir.path());
    if (probe < 0) GTEST_SKIP() << "no unnamed files here";
    ::close(probe);
    auto file = OutputFile::create(dir / "movie.mp4");
    ASSERT_TRUE(file);
    EXPECT_TRUE((*file)->isUnnamed());
    EXPECT_TRUE((*file)->tempPath().empty());
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
    EXPECT_EQ(contents(dest), "earlier");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"movie.mov"});
}

TEST(OutputFileTest, UnusableDestinationsNameTheCause) {
    ScratchDir dir;
    auto missing = OutputFile::create(dir / "no" / "such" / "folder.mp4");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("No such file or directory"), std::string::npos)
        << missing.error().message;

    std::ofstream(dir / "plain") << "x";
    auto underFile = OutputFile::create(dir / "plain" / "out.mp4");
    ASSERT_FALSE(underFile);
    EXPECT_NE(underFile.error().message.find("Not a directory"), std::string::npos)
        << underFile.error().message;

    auto folder = OutputFile::create(dir.path());
    ASSERT_FALSE(folder);
    EXPECT_NE(folder.error().message.find("folder"), std::string::npos);
}

}  // namespace
}  // namespace kestro
