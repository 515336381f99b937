#include "core/model/app_store_preset.hpp"
#include "core/model/export_background.hpp"
#include "core/model/export_format.hpp"
#include "core/model/export_quality.hpp"
#include "core/model/export_resolution.hpp"
#include "core/model/video_fit_mode.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unordered_set>

namespace kestro {
namespace {

// Every case survives a trip through its raw value, and the raw values are distinct.
template <class E, std::size_t N, class FromRaw>
void expectRawValuesRoundTrip(const std::array<E, N>& all, FromRaw fromRaw) {
    std::unordered_set<E> seen;
    for (E value : all) {
        EXPECT_EQ(fromRaw(rawValue(value)), value) << rawValue(value);
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), N);
}

TEST(ModelTypes, RawValuesRoundTripAndAreExactCaseSensitiveMatches) {
    expectRawValuesRoundTrip(allVideoFitModes(), videoFitModeFromRaw);
    expectRawValuesRoundTrip(allExportFormats(), exportFormatFromRaw);
    expectRawValuesRoundTrip(allExportResolutions(), exportResolutionFromRaw);
    expectRawValuesRoundTrip(allExportBackgrounds(), exportBackgroundFromRaw);
    expectRawValuesRoundTrip(allExportQualities(), exportQualityFromRaw);
    expectRawValuesRoundTrip(allAppStorePresets(), appStorePresetFromRaw);

    EXPECT_EQ(exportResolutionFromRaw("720p"), ExportResolution::hd720p);
    EXPECT_EQ(exportResolutionFromRaw("720P"), std::nullopt);
    EXPECT_EQ(exportResolutionFromRaw("hd720p"), std::nullopt);
    EXPECT_EQ(exportFormatFromRaw("MP4"), std::nullopt);
    EXPECT_EQ(exportBackgroundFromRaw(""), std::nullopt);
    EXPECT_EQ(videoFitModeFromRaw("fill "), std::nullopt);
}

TEST(ModelTypes, VideoFitModeJsonIsTheRawStringAndRejectsAnythingElse) {
    EXPECT_EQ(nlohmann::json(VideoFitMode::stretch), "stretch");
    EXPECT_EQ(nlohmann::json("fill").get<VideoFitMode>(), VideoFitMode::fill);
    EXPECT_THROW((void)nlohmann::json("Fill").get<VideoFitMode>(), nlohmann::json::exception);
    EXPECT_THROW((void)nlohmann::json(1).get<VideoFitMode>(), nlohmann::json::exception);

    EXPECT_EQ(videoFitModeFromJson("fit"), VideoFitMode::fit);
    EXPECT_EQ(videoFitModeFromJson("Fill"), std::nullopt);
    EXPECT_EQ(videoFitModeFromJson(nullptr), std::nullopt);
}

}  // namespace
}  // namespace kestro
