#include "core/model/app_store_preset.hpp"
#include "core/model/export_background.hpp"
#include "core/model/export_format.hpp"
#include "core/model/export_quality.hpp"
#include "core/model/export_resolution.hpp"
#include "core/model/video_fit_mode.hpp"

#include <gtest/gtest.h>

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

    EXPECT_EQ(exportResolutionFromRaw("720P"), std::nullopt);
    EXPECT_EQ(exportResolutionFromRaw("hd720p"), std::nullopt);
    EXPECT_EQ(exportBackgroundFromRaw(""), std::nullopt);
    EXPECT_EQ(videoFitModeFromRaw("fill "), std::nullopt);
}

}  // namespace
}  // namespace kestro
