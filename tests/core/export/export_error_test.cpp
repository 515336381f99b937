#include "core/export/export_error.hpp"

extern "C" {
#include <libavutil/error.h>
}

#include <gtest/gtest.h>

#include <cerrno>

namespace kestro {
namespace {

TEST(ExportErrorText, EveryEngineCaseHasItsDescriptionAndSuggestion) {
    struct Case {
        ExportError error;
        const char* description;
        const char* suggestion;
    };
    const char* pickAnother =
        "Try selecting a different video file or check if the file is not corrupted.";
    const char* diskSpace =
        "Ensure you have sufficient disk space and try again. If the problem persists, try a "
        "different output location.";
    const Case cases[] = {
        {ExportError::fileSystem("Insufficient disk space"),
         "File system error: Insufficient disk space",
         "Check file permissions and available disk space."},
        {ExportError::cannotLoadAsset(),
         "Unable to load the video file. The file may be corrupted or in an unsupported format.",
         pickAnother},
        {ExportError::exportFailed(), "Export failed due to an unknown error. Please try again.",
         diskSpace},
        {ExportError::invalidVideoTrack(),
         "No video track found in the selected file. Please choose a valid video file.",
         pickAnother},
        {ExportError::invalidTrimRange(),
         "Invalid trim range selected. The end time must be after the start time.",
         "Adjust the trim start and end times so that the end time is after the start time."},
        {ExportError::compositionFailed(),
         "Failed to create video composition. The video may be corrupted.", diskSpace},
        {ExportError::exportSessionFailed(),
         "Failed to initialize export session. Please check available disk space.", diskSpace},
        {ExportError::exportCancelled(), "Export was cancelled by the user.",
         "You can start a new export at any time."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.error.errorDescription(), c.description);
        ASSERT_TRUE(c.error.recoverySuggestion().has_value()) << c.description;
        EXPECT_EQ(*c.error.recoverySuggestion(), c.suggestion);
    }
}

TEST(ExportErrorText, FileSystemMessagesKeepTheirWording) {
    EXPECT_EQ(ExportError::fileSystem(ExportError::kFileExists).errorDescription(),
              "File system error: File already exists at destination");
    EXPECT_EQ(ExportError::fileSystem(ExportError::kDiskFull).message(), "Insufficient disk space");
    // Equality looks at the message too: two different file system failures are different.
    EXPECT_NE(ExportError::fileSystem("a"), ExportError::fileSystem("b"));
}

TEST(ExportErrorText, PlatformErrorsCarryFfmpegsOwnWords) {
    const ExportError e = ExportError::platform({-2, "No such file or directory"});
    EXPECT_EQ(e.kind(), ExportError::Kind::platform);
    EXPECT_EQ(e.averror(), -2);
    EXPECT_EQ(e.errorDescription(), "No such file or directory");
    EXPECT_FALSE(e.recoverySuggestion().has_value());

    // Without text the user still reads something, and it names the code.
    const ExportError bare = ExportError::platform({-1094995529, ""});
    EXPECT_NE(bare.errorDescription().find("-1094995529"), std::string::npos);
}

// With FFmpeg's cause, the engine's cases say what failed and advise on that, not on disks.
TEST(ExportErrorText, CausesAreShownAndAdvisedOn) {
    const ExportError noEncoder = ExportError::exportSessionFailed(
        {AVERROR_ENCODER_NOT_FOUND, "This FFmpeg has no libx264 encoder"});
    EXPECT_NE(noEncoder.errorDescription().find("libx264"), std::string::npos);
    EXPECT_EQ(noEncoder.recoverySuggestion()->find("disk"), std::string::npos);

    const ExportError memory = ExportError::exportFailed({AVERROR(ENOMEM), "Cannot allocate"});
    EXPECT_NE(memory.errorDescription().find("out of memory"), std::string::npos);
    EXPECT_EQ(memory.recoverySuggestion()->find("disk"), std::string::npos);

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
