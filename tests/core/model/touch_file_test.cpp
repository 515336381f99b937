// The touch file beside a recording: what Kestro writes it reads back unchanged, and anything
// else is refused with a message that names the problem.

#include "core/model/touch_file.hpp"

#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace kestro {
namespace {

using test::ScratchDir;

TouchTrack swipeAndTap() {
    return TouchTrack{{{0.25, 540, 1200.5, TouchPhase::down, 0},
                       {0.3125, 560.25, 1100, TouchPhase::move, 0},
                       {0.4, 600, 900, TouchPhase::up, 0},
                       {1.0 / 3, 10, 20, TouchPhase::down, 7},
                       {2, 0, 0, TouchPhase::up, 7}}};
}

TEST(TouchFile, WhatIsWrittenReadsBackEqualBesideItsRecording) {
    ScratchDir scratch;
    // A track out of time order is written as it is; only reading checks the order.
    TouchTrack track = swipeAndTap();
    std::swap(track.touches[3], track.touches[2]);
    auto parsed = parseTouchFile(touchFileText(track));
    ASSERT_TRUE(parsed.ok()) << parsed.error();
    EXPECT_EQ(*parsed, track);
    EXPECT_EQ(*parseTouchFile(touchFileText(TouchTrack{})), TouchTrack{});

    const auto movie = scratch / "take.mp4";
    EXPECT_EQ(touchFilePath(movie), scratch / "take.touches.json");
    EXPECT_EQ(readTouchFileBeside(movie).value(), std::nullopt);
    ASSERT_TRUE(writeTouchFile(touchFilePath(movie), track).ok());
    EXPECT_EQ(readTouchFileBeside(movie).value(), std::optional<TouchTrack>(track));
    EXPECT_EQ(scratch.entries(), std::vector<std::string>{"take.touches.json"});

    // The documented example, with keys in any order and unknown keys left alone.
    auto example = parseTouchFile(
        R"({"touches": [{"phase": "down", "id": 0, "x": 540, "y": 1200, "t": 1.25, "p": 1}],
            "version": 1, "device": "Pixel"})");
    ASSERT_TRUE(example.ok()) << example.error();
    EXPECT_EQ(example->touches, (std::vector<TouchPoint>{{1.25, 540, 1200, TouchPhase::down, 0}}));

    // A file that is there but broken is an error, not "no touches".
    std::ofstream(touchFilePath(movie)) << "{\"version\": 1";
    EXPECT_FALSE(readTouchFileBeside(movie).ok());
    EXPECT_FALSE(readTouchFile(scratch / "missing.touches.json").ok());
}

TEST(TouchFile, MalformedFilesAreRefusedNamingTheProblem) {
    struct Case {
        const char* text;
        const char* says;
    };
    const Case cases[] = {
        {"", "not valid JSON"},
        {"{\"version\": 1, \"touches\": [}", "not valid JSON"},
        {"[1, 2]", "must hold a JSON object"},
        {"{\"touches\": []}", "no \"version\""},
        {"{\"version\": 2, \"touches\": []}", "version 2"},
        {"{\"version\": \"1\", \"touches\": []}", "version \"1\""},
        {"{\"version\": 1}", "no \"touches\""},
        {"{\"version\": 1, \"touches\": {}}", "must be a list"},
        {"{\"version\": 1, \"touches\": [5]}", "Touch 1 of the touch file must be an object"},
        {R"({"version": 1, "touches": [{"x": 1, "y": 2, "phase": "down"}]})", "no \"t\""},
        {R"({"version": 1, "touches": [{"t": "1", "x": 1, "y": 2, "phase": "down"}]})",
         "\"t\" must be a number"},
        {R"({"version": 1, "touches": [{"t": -0.5, "x": 1, "y": 2, "phase": "down"}]})",
         "\"t\" must be between 0 and"},
        {R"({"version": 1, "touches": [{"t": 1, "x": 1e300, "y": 2, "phase": "down"}]})",
         "\"x\" must be between"},
        {R"({"version": 1, "touches": [{"t": 1, "x": 1, "y": -3, "phase": "down"}]})",
         "\"y\" must be between"},
        {R"({"version": 1, "touches": [{"t": 1, "x": 1, "y": 2}]})", "no \"phase\""},
        {R"({"version": 1, "touches": [{"t": 1, "x": 1, "y": 2, "phase": "tap"}]})",
         "\"phase\" must be \"down\", \"move\" or \"up\", not \"tap\""},
        {R"({"version": 1, "touches": [{"t": 1, "x": 1, "y": 2, "phase": "up", "id": 1.5}]})",
         "\"id\" must be a whole number"},
        {R"({"version": 1, "touches": [{"t": 1, "x": 1, "y": 2, "phase": "up", "id": -1}]})",
         "\"id\" must be a whole number"},
        {R"({"version": 1, "touches": [{"t": 2, "x": 1, "y": 2, "phase": "down"},
                                       {"t": 1, "x": 1, "y": 2, "phase": "up"}]})",
         "Touch 2 of the touch file is out of time order"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto parsed = parseTouchFile(c.text);
        ASSERT_FALSE(parsed.ok());
        EXPECT_NE(parsed.error().find(c.says), std::string::npos) << parsed.error();
    }

    // Deep nesting is refused before parsing, however deep.
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    auto nested = parseTouchFile(deep);
    ASSERT_FALSE(nested.ok());
    EXPECT_NE(nested.error().find("nests too deeply"), std::string::npos);
    // Brackets inside strings are text, not nesting.
    EXPECT_TRUE(parseTouchFile(R"({"version": 1, "touches": [], "note": "[[[[[[\"{{{{"})").ok());
}

}  // namespace
}  // namespace kestro
