#include "core/capture/simulator_listing.hpp"

#include "core/capture/fake_xcrun_env.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

using testing::deviceLine;
using testing::kUdid15;
using testing::kUdidAir;
using testing::kUdidSe;

using Devices = std::vector<SimulatorDevice>;

TEST(BootedDeviceListing, KeepsOnlyBootedLinesWithAnUpperCaseUdid) {
    const std::string lower = "abcdef12-2222-3333-4444-555555555555";
    const std::string listing =
        "== Devices ==\n-- iOS 17.5 --\n" + deviceLine("iPhone 15", kUdid15) +
        deviceLine("iPad Air", kUdidAir, "Shutdown") + deviceLine("Lower Case", lower) +
        "    Booted but no id (Booted)\n" + "    " + std::string(kUdidSe) +
        " booted, lower case marker (booted)\n" + "-- Unavailable: (Booted) --\n";
    EXPECT_EQ(parseBootedDevices(listing), (Devices{{"iPhone 15", kUdid15}}));
    // Listing order and duplicates are kept.
    EXPECT_EQ(parseBootedDevices(listing + deviceLine("iPad Air", kUdidAir) + listing),
              (Devices{{"iPhone 15", kUdid15}, {"iPad Air", kUdidAir}, {"iPhone 15", kUdid15}}));
}

TEST(BootedDeviceListing, NameEndsAtTheFirstParenthesisAndIsTrimmed) {
    EXPECT_EQ(parseBootedDevices(deviceLine("iPhone SE (3rd generation)", kUdidSe)),
              (Devices{{"iPhone SE", kUdidSe}}));
    // A UDID before any name gives an empty name; the id is the first UDID of the line.
    EXPECT_EQ(parseBootedDevices(std::string(kUdid15) + " (Booted) " + kUdidAir),
              (Devices{{"", kUdid15}}));
    // Unicode spaces count as white space: a no-break space and an ideographic space.
    EXPECT_EQ(parseBootedDevices("\t\xC2\xA0iPad mini\xE3\x80\x80 " + std::string(kUdidAir) +
                                 " (Booted)"),
              (Devices{{"iPad mini", kUdidAir}}));
    // Parentheses are not needed around the id.
    EXPECT_EQ(parseBootedDevices("Apple TV " + std::string(kUdid15) + "(Booted)"),
              (Devices{{"Apple TV", kUdid15}}));
}

TEST(BootedDeviceListing, EveryKindOfLineBreakEndsALine) {
    // Were any of these not a break, the two devices would merge into one line and one device.
    for (const std::string br :
         {"\r\n", "\r", "\v", "\f", "\xC2\x85", "\xE2\x80\xA8", "\xE2\x80\xA9"}) {
        const std::string listing = "  iPhone 15 (" + std::string(kUdid15) + ") (Booted)" + br +
                                    "  iPad Air (" + std::string(kUdidAir) + ") (Booted)" + br;
        EXPECT_EQ(parseBootedDevices(listing),
                  (Devices{{"iPhone 15", kUdid15}, {"iPad Air", kUdidAir}}))
            << "break of " << br.size() << " bytes starting "
            << int(static_cast<unsigned char>(br[0]));
    }
}

TEST(BootedDeviceListing, InvalidUtf8AnywhereEmptiesTheList) {
    const std::string good = deviceLine("iPhone 15", kUdid15);
    for (const std::string bad :
         {"\xFF", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82", "\x80"}) {
        EXPECT_TRUE(parseBootedDevices(good + "  Broken " + bad + "\n").empty())
            << int(static_cast<unsigned char>(bad[0]));
        EXPECT_FALSE(isValidUtf8(bad));
    }
    // Well-formed multi-byte names are fine.
    EXPECT_EQ(parseBootedDevices(deviceLine("iPhone de Zoë \xF0\x9F\x93\xB1", kUdid15)),
              (Devices{{"iPhone de Zoë \xF0\x9F\x93\xB1", kUdid15}}));
}

}  // namespace
}  // namespace kestro
