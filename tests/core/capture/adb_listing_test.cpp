// Reading `adb devices -l`: real listings from phones, emulators, Wi-Fi pairing and adb's own
// chatter, and names made from the model field.

#include "core/capture/adb_listing.hpp"
#include "core/capture/adb_locator.hpp"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(AdbListing, ReadsSerialStateAndModelAndSkipsTheChatter) {
    const std::string listing =
        "* daemon not running; starting now at tcp:5037\n"
        "* daemon started successfully\n"
        "List of devices attached\n"
        "0123456789ABCDEF       device usb:1-1 product:husky model:Pixel_8_Pro device:husky "
        "transport_id:3\n"
        "emulator-5554          device product:sdk_gphone64_x86_64 model:sdk_gphone64_x86_64 "
        "device:emu64xa transport_id:1\r\n"
        "R58M123ABC             unauthorized usb:1-2 transport_id:2\n"
        "192.168.1.5:5555       offline product:dm3q model:SM_S918B device:dm3q transport_id:4\n"
        "\n"
        "adb server version (41) doesn't match this client (39); killing...\n"
        "ZY22 no permissions (user in plugdev group; are your udev rules wrong?); see "
        "[http://developer.android.com/tools/device.html] usb:1-3 transport_id:5\n"
        "LONELY\n"
        "NEWSTATE  hibernating  model:Future_Phone transport_id:9\n"
        "adb-XYZ._adb-tls-connect._tcp\tdevice\n";
    const std::vector<AndroidDevice> devices = parseAdbDevices(listing);
    const std::vector<AndroidDevice> expected{
        {"Pixel 8 Pro", "0123456789ABCDEF", "device"},
        {"sdk gphone64 x86 64", "emulator-5554", "device"},
        {"R58M123ABC", "R58M123ABC", "unauthorized"},
        {"SM S918B", "192.168.1.5:5555", "offline"},
        {"ZY22", "ZY22", "no permissions"},
        {"Future Phone", "NEWSTATE", "hibernating"},
        {"adb-XYZ._adb-tls-connect._tcp", "adb-XYZ._adb-tls-connect._tcp", "device"},
    };
    EXPECT_EQ(devices, expected);
    EXPECT_TRUE(devices[0].isRecordable());
    EXPECT_FALSE(devices[2].isRecordable());
    EXPECT_FALSE(devices[3].isRecordable());
}

TEST(AdbListing, HostileBytesNeverCrashOrReachANameAsControls) {
    EXPECT_TRUE(parseAdbDevices("").empty());
    EXPECT_TRUE(parseAdbDevices("\n\r\n\t \n").empty());
    EXPECT_TRUE(parseAdbDevices("List of devices attached\n").empty());
    std::string nul("SER\0X device model:A\x1b[31m_B\n", 28);
    const auto devices = parseAdbDevices(nul);
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].serial, "SERX");
    for (char c : devices[0].name) EXPECT_GE(static_cast<unsigned char>(c), 0x20);
    // Every prefix of a real listing parses (a listing cut off mid-line).
    const std::string full = "List of devices attached\nABC device model:Pixel_9 transport_id:1\n";
    for (size_t n = 0; n <= full.size(); ++n) parseAdbDevices(full.substr(0, n));
    EXPECT_EQ(androidDeviceName("__Pixel__9_"), "Pixel 9");
    EXPECT_EQ(androidDeviceName(""), "");
}

TEST(AdbLocator, KestroAdbReplacesTheSearchElsePathThenTheSdkFolders) {
    AdbSearchEnvironment env;
    env.kestroAdb = "/opt/a/adb::/opt/b/adb";
    env.path = "/usr/bin";
    env.home = "/home/u";
    EXPECT_EQ(adbCandidates(env), (std::vector<std::string>{"/opt/a/adb", "/opt/b/adb"}));

    env.kestroAdb = "";
    env.path = "/usr/local/bin::/usr/bin/";
    env.androidHome = "/sdk";
    env.sdkRoot = "/root-sdk/";
    EXPECT_EQ(adbCandidates(env),
              (std::vector<std::string>{"/usr/local/bin/adb", "/usr/bin/adb",
                                        "/sdk/platform-tools/adb", "/root-sdk/platform-tools/adb",
                                        "/home/u/Android/Sdk/platform-tools/adb",
                                        "/home/u/Library/Android/sdk/platform-tools/adb",
                                        "/opt/homebrew/bin/adb"}));
    // A program started from the Finder has a bare PATH and still finds Homebrew's adb.
    EXPECT_EQ(adbCandidates(AdbSearchEnvironment{nullptr, "/usr/bin:/bin"}),
              (std::vector<std::string>{"/usr/bin/adb", "/bin/adb", "/opt/homebrew/bin/adb",
                                        "/usr/local/bin/adb"}));
}

TEST(AdbLocator, TheInstallHintNamesThisSystemsOwnPackage) {
    const std::pair<const char*, const char*> cases[] = {
        {"PRETTY_NAME=\"Debian GNU/Linux 12\"\nID=debian\n", "sudo apt install adb"},
        {"ID=linuxmint\nID_LIKE=\"ubuntu debian\"\n", "sudo apt install adb"},
        {"ID=fedora\nVERSION_ID=41\n", "sudo dnf install android-tools"},
        {"ID=\"opensuse-tumbleweed\"\nID_LIKE=\"opensuse suse\"\n", "sudo zypper install android-tools"},
        {"ID=endeavouros\nID_LIKE=arch\n", "sudo pacman -S android-tools"},
        // Not fooled by a field that merely starts with ID.
        {"ID_LIKE_NOT=debian\nID=gentoo\n", ""},
        {"", ""},
    };
    for (const auto& [release, command] : cases)
        EXPECT_EQ(adbInstallCommand(false, release), command) << release;
    EXPECT_EQ(adbInstallCommand(true, "ID=debian\n"), "brew install android-platform-tools");
}

}  // namespace
}  // namespace kestro
