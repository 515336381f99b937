// Everything that can go wrong: a clear error, no crash, no hang, and nothing written at the
// destination (an earlier file there stays exactly as it was).

#include "exporter_support.hpp"

#include <cerrno>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <new>

namespace kestro {
namespace {

using test::ScratchDir;

class ExporterFailureTest : public ::testing::Test {
protected:
    // Runs an export onto a destination holding an earlier file; checks the earlier file and
    // the folder are untouched and returns the error.
    ExportError failedExport(const std::filesystem::path& source,
                             ExportConfig config = test::smallConfig(),
                             AVFExporter::CancelQuery cancel = {},
                             AVFExporter::Options options = {}) {
        const auto out = outDir / "earlier.mp4";
        std::ofstream(out) << "the user's earlier export";
        auto run = test::runExport(source, std::nullopt, config, out, std::move(cancel),
                                   std::move(options));
        EXPECT_FALSE(run.result);
        EXPECT_EQ(test::fileContents(out), "the user's earlier export");
        EXPECT_EQ(outDir.entries(), std::vector<std::string>{"earlier.mp4"}) << "no partial file";
        for (double p : run.progress) EXPECT_LT(p, 1.0);
        return run.result ? ExportError::exportFailed() : run.result.error();
    }

    std::filesystem::path movie(double seconds = 1.0, bool audio = false) {
        return test::makeMovie(dir / ("src" + std::to_string(++made) + ".mp4"),
                               {.fps = 20, .seconds = seconds, .audio = audio});
    }

    ScratchDir dir;
    ScratchDir outDir;
    int made = 0;
};

TEST_F(ExporterFailureTest, BadSourcesAndRanges) {
    // Missing: FFmpeg's own message, passed through.
    ExportError missing = failedExport(dir / "gone.mp4");
    EXPECT_EQ(missing.kind(), ExportError::Kind::platform);
    EXPECT_NE(missing.errorDescription().find("No such file or directory"), std::string::npos);

    // Not a movie at all.
    std::ofstream(dir / "notes.mp4") << "not a movie";
    EXPECT_EQ(failedExport(dir / "notes.mp4").kind(), ExportError::Kind::platform);

    // Sound only.
    EXPECT_EQ(failedExport(test::makeAudioOnly(dir / "tone.m4a", 0.5)).kind(),
              ExportError::Kind::invalidVideoTrack);

    // Cut off half way with its index in front: the export notices the missing pictures.
    const auto cut = test::makeMovie(
        dir / "cut.mp4", {.fps = 20, .seconds = 3, .extraOutputArgs = "-movflags +faststart"});
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    const ExportError truncated = failedExport(cut);
    EXPECT_EQ(truncated.kind(), ExportError::Kind::cannotLoadAsset) << truncated.errorDescription();
    // The same in Matroska, which states the video's length only in a tag of the track.
    const auto cutMkv = test::makeMovie(dir / "cut.mkv", {.fps = 20, .seconds = 3});
    std::filesystem::resize_file(cutMkv, std::filesystem::file_size(cutMkv) / 2);
    EXPECT_EQ(failedExport(cutMkv).kind(), ExportError::Kind::cannotLoadAsset);

    // Cut off with its index at the end: not a readable movie.
    const auto tail = movie(2);
    std::filesystem::resize_file(tail, std::filesystem::file_size(tail) * 3 / 4);
    EXPECT_EQ(failedExport(tail).kind(), ExportError::Kind::platform);

    // Zero length: nothing to export.
    const auto empty = test::makeWithFfmpeg(dir / "empty.mp4",
                                            "-f lavfi -i color=s=32x32 -frames:v 0 -c:v libx264");
    ASSERT_FALSE(empty.empty());
    const ExportError zero = failedExport(empty);
    EXPECT_NE(zero.kind(), ExportError::Kind::exportFailed) << zero.errorDescription();

    // A trim range wholly after the end of the movie.
    ExportConfig config = test::smallConfig();
    config.trimStart = 5;
    config.trimEnd = 9;
    EXPECT_EQ(failedExport(movie(1), config).kind(), ExportError::Kind::invalidTrimRange);
}

TEST_F(ExporterFailureTest, OddSizedSourceExportsFine) {
    ScratchDir scratch;
    const auto source = test::makeMovie(dir / "odd.mp4",
                                        {.width = 33,
                                         .height = 71,
                                         .seconds = 0.3,
                                         .video = "color=c=0xC82828",
                                         .extraOutputArgs = "-pix_fmt yuv444p -profile:v high444"});
    ASSERT_TRUE(test::exported(source, test::smallConfig(), scratch / "o.mp4"));
    const auto picture = test::decodePicture(scratch / "o.mp4", 0);
    ASSERT_TRUE(picture);
    EXPECT_TRUE(test::near(picture->average(100, 200, 3), Rgba{200, 40, 40, 255}, 3));
}

TEST_F(ExporterFailureTest, UnusableDestinations) {
    const auto source = movie(0.3);
    // In a missing folder, saying why, and onto a folder (which stays one).
    for (const auto& [dest, cause] : {std::pair{dir / "no" / "folder" / "o.mp4", "No such file"},
                                      std::pair{outDir.path(), ""}}) {
        const auto run = test::runExport(source, std::nullopt, test::smallConfig(), dest);
        ASSERT_FALSE(run.result) << dest;
        EXPECT_EQ(run.result.error().kind(), ExportError::Kind::fileSystemError);
        EXPECT_NE(run.result.error().message().find(cause), std::string::npos)
            << run.result.error().message();
    }
    EXPECT_TRUE(std::filesystem::is_directory(outDir.path()));

    if (::geteuid() != 0) {  // root writes anywhere
        // A read-only folder: the earlier file there stays as it was, and nothing joins it.
        std::ofstream(outDir / "o.mp4") << "earlier";
        std::filesystem::permissions(
            outDir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        const auto run =
            test::runExport(source, std::nullopt, test::smallConfig(), outDir / "o.mp4");
        std::filesystem::permissions(outDir.path(), std::filesystem::perms::owner_all);
        ASSERT_FALSE(run.result);
        EXPECT_NE(run.result.error().message().find("Permission denied"), std::string::npos);
        EXPECT_EQ(test::fileContents(outDir / "o.mp4"), "earlier");
        EXPECT_EQ(outDir.entries(), std::vector<std::string>{"o.mp4"});
    }
}

// A disk that fills up after `budget` bytes.
AVFExporter::Options fullDiskAfter(size_t budget) {
    AVFExporter::Options options;
    auto left = std::make_shared<size_t>(budget);
    options.write = [left](int fd, const void* data, size_t size) -> ssize_t {
        if (*left == 0) {
            errno = ENOSPC;
            return -1;
        }
        const size_t n = std::min(size, *left);
        *left -= n;
        return ::write(fd, data, n);
    };
    return options;
}

TEST_F(ExporterFailureTest, FullDiskAtAnyPointSaysSo) {
    const auto source = movie(1.5, true);
    // At the header, in the middle of the pictures, and in the final rewrite (+faststart).
    for (size_t budget : {size_t{0}, size_t{40000}, size_t{1} << 30}) {
        AVFExporter::Options options = fullDiskAfter(budget);
        if (budget == (size_t{1} << 30)) {
            // Fail only when the muxer goes back over what it wrote to move its index up front.
            options.write = [](int fd, const void* data, size_t size) -> ssize_t {
                struct stat st {};
                ::fstat(fd, &st);
                if (::lseek(fd, 0, SEEK_CUR) + static_cast<off_t>(size) <= st.st_size) {
                    errno = ENOSPC;
                    return -1;
                }
                return ::write(fd, data, size);
            };
        }
        const ExportError error = failedExport(source, test::smallConfig(), {}, options);
        EXPECT_EQ(error, ExportError::fileSystem(ExportError::kDiskFull)) << "budget " << budget;
    }
    // And the MOV path.
    const ExportError mov =
        failedExport(source, test::smallConfig(ExportFormat::mov), {}, fullDiskAfter(30000));
    EXPECT_EQ(mov, ExportError::fileSystem(ExportError::kDiskFull));
}

// A stage that quits part way, without a word or by running out of memory, ends the whole
// export with an error in bounded time, whichever stage it is; the others never wait for it.
TEST_F(ExporterFailureTest, AnyStageQuittingEndsTheExport) {
    const auto source = movie(1.5, true);
    for (const PipelineStage stage :
         {PipelineStage::decode, PipelineStage::compose, PipelineStage::encode}) {
        for (const bool outOfMemory : {false, true}) {
            AVFExporter::Options options;
            options.injectFault = [stage, outOfMemory](PipelineStage at, std::int64_t tick) {
                if (at != stage || tick < 5) return false;
                if (outOfMemory) throw std::bad_alloc();
                return true;
            };
            auto pending = std::async(std::launch::async, [&] {
                return failedExport(source, test::smallConfig(), {}, options);
            });
            if (pending.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
                // A hung pipeline cannot be joined: end the run rather than hang the suite.
                std::fprintf(stderr, "the export hung after stage %d quit\n",
                             static_cast<int>(stage));
                std::abort();
            }
            const ExportError error = pending.get();
            if (outOfMemory) {
                EXPECT_NE(error.errorDescription().find("out of memory"), std::string::npos)
                    << error.errorDescription();
            } else {
                EXPECT_EQ(error.kind(), ExportError::Kind::exportFailed);
            }
            EXPECT_EQ(error.recoverySuggestion()->find("disk space"), std::string::npos)
                << error.errorDescription();
        }
    }
}

TEST_F(ExporterFailureTest, CancelStopsPromptlyAndKeepsTheEarlierFile) {
    const auto source =
        test::makeMovie(dir / "long.mp4", {.width = 320, .height = 640, .fps = 30, .seconds = 20});
    ExportConfig config = test::smallConfig();
    config.width = 640;
    config.height = 1280;

    std::atomic<int> polls{0};
    std::chrono::steady_clock::time_point cancelledAt{};
    const ExportError error = failedExport(source, config, [&] {
        if (++polls < 15) return false;
        if (cancelledAt == std::chrono::steady_clock::time_point{})
            cancelledAt = std::chrono::steady_clock::now();
        return true;
    });
    const auto stoppedAt = std::chrono::steady_clock::now();
    EXPECT_EQ(error, ExportError::exportCancelled());
    // 100 ms is the aim; the bound leaves room for a machine busy with other builds.
    EXPECT_LT(std::chrono::duration<double>(stoppedAt - cancelledAt).count(), 1.0);
}

}  // namespace
}  // namespace kestro
