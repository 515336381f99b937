#include "core/export/export_error.hpp"

extern "C" {
#include <libavutil/error.h>
}

#include <gtest/gtest.h>

#include <cerrno>
#include <set>
#include <string>

namespace kestro {
namespace {

// Every failure the engine can report tells the user what happened and what to do next, and no
// two cases read alike.
TEST(ExportErrorText, EveryEngineCaseHasItsOwnDescriptionAndASuggestion) {
    const ExportError cases[] = {
        ExportError::fileSystem("Insufficient disk space"),
        ExportError::cannotLoadAsset(),
        ExportError::exportFailed(),
        ExportError::invalidVideoTrack(),
        ExportError::invalidTrimRange(),
        ExportError::compositionFailed(),
        ExportError::exportSessionFailed(),
        ExportError::exportCancelled(),
    };
    std::set<std::string> descriptions;
    for (const auto& error : cases) {
        const std::string description = error.errorDescription();
        EXPECT_FALSE(description.empty());
        EXPECT_TRUE(descriptions.insert(description).second) << description;
        ASSERT_TRUE(error.recoverySuggestion().has_value()) << description;
        EXPECT_FALSE(error.recoverySuggestion()->empty()) << description;
    }
    // A file system failure names its cause, and equality looks at it: two different ones differ.
    EXPECT_NE(ExportError::fileSystem(ExportError::kDiskFull)
                  .errorDescription()
                  .find(ExportError::kDiskFull),
              std::string::npos);
    EXPECT_NE(ExportError::fileSystem("a"), ExportError::fileSystem("b"));
}

// With FFmpeg's cause, the engine's cases say what failed and advise on that, not on disks.
// FFmpeg's own words are passed through (the failure tests read them); without any, the user
// still reads something, and it names the code.
TEST(ExportErrorText, CausesAreShownAndAdvisedOn) {
    const ExportError bare = ExportError::platform({-1094995529, ""});
    EXPECT_NE(bare.errorDescription().find("-1094995529"), std::string::npos);

    const ExportError noEncoder = ExportError::exportSessionFailed(
        {AVERROR_ENCODER_NOT_FOUND, "This FFmpeg has no libx264 encoder"});
    EXPECT_NE(noEncoder.errorDescription().find("libx264"), std::string::npos);
    EXPECT_EQ(noEncoder.recoverySuggestion()->find("disk"), std::string::npos);

    const ExportError encoder =
        ExportError::compositionFailed({AVERROR(EINVAL), "Cannot scale the video"});
    EXPECT_NE(encoder.errorDescription().find("Cannot scale the video"), std::string::npos);
    EXPECT_EQ(encoder.recoverySuggestion()->find("disk"), std::string::npos);

    // A disk that failed underneath still gets the disk advice.
    const ExportError disk = ExportError::exportFailed({AVERROR(EIO), "Input/output error"});
    EXPECT_NE(disk.recoverySuggestion()->find("disk space"), std::string::npos);
    EXPECT_EQ(disk.kind(), ExportError::Kind::exportFailed);
}

}  // namespace
}  // namespace kestro
