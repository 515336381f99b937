#include "core/export/export_config.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace kestro {
namespace {

TEST(BackgroundFill, TransparentByKindOrByAlmostNoAlpha) {
    EXPECT_TRUE(BackgroundFill::transparent().isTransparent());
    EXPECT_TRUE(BackgroundFill::color(1, 0, 0, 0.001).isTransparent());
    EXPECT_TRUE(BackgroundFill::color(1, 0, 0, 0).isTransparent());
    EXPECT_TRUE(
        BackgroundFill::color(1, 0, 0, std::numeric_limits<double>::quiet_NaN()).isTransparent());
    // The kind wins even over an opaque colour.
    EXPECT_TRUE((BackgroundFill{"transparent", 1, 1, 1, 1}).isTransparent());

    EXPECT_FALSE(BackgroundFill::color(1, 0, 0, 0.0011).isTransparent());
    EXPECT_FALSE(BackgroundFill::white().isTransparent());
    EXPECT_FALSE(BackgroundFill::black().isTransparent());
    EXPECT_EQ(BackgroundFill::black(), (BackgroundFill{"color", 0, 0, 0, 1}));
}

}  // namespace
}  // namespace kestro
