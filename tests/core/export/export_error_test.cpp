#include "core/export/export_error.hpp"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kestro
