// Writes the seed inputs that are not movies or PNG files (those come from the ffmpeg command
// line, see CMakeLists.txt): pictures for the frame analysis, file names, simulator listings.
// Seeds are made at build time so that no binary file is kept in the repository.
//
// Usage: seed_maker CORPUS_ROOT

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// The frame analysis's input: width - 1, height - 1, then RGBA pixels.
std::string picture(int width, int height, bool (*opaque)(int x, int y, int w, int h)) {
    std::string bytes;
    bytes.push_back(static_cast<char>(width - 1));
    bytes.push_back(static_cast<char>(height - 1));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool on = opaque(x, y, width, height);
            bytes.append({static_cast<char>(on ? 30 : 0), static_cast<char>(on ? 30 : 0),
                          static_cast<char>(on ? 35 : 0), static_cast<char>(on ? 255 : 0)});
        }
    }
    return bytes;
}

// A phone: an opaque body with rounded-off corners, a margin of transparency around it and a
// transparent screen opening inside.
bool phone(int x, int y, int w, int h) {
    const int margin = 2;
    const bool body =
        x >= margin && y >= margin && x < w - margin && y < h - margin &&
        !((x == margin || x == w - margin - 1) && (y == margin || y == h - margin - 1));
    const bool screen =
        x >= margin + 3 && y >= margin + 4 && x < w - margin - 3 && y < h - margin - 4;
    return body && !screen;
}
bool solid(int, int, int, int) {
    return true;
}
bool clear(int, int, int, int) {
    return false;
}
bool ring(int x, int y, int w, int h) {
    return x == 0 || y == 0 || x == w - 1 || y == h - 1;
}

const char* kUdidA = "0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9";
const char* kUdidB = "11111111-2222-3333-4444-555555555555";

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: seed_maker CORPUS_ROOT\n");
        return 2;
    }
    const fs::path root = argv[1];

    const fs::path frames = root / "frame_analysis";
    write(frames / "phone", picture(24, 40, phone));
    write(frames / "phone-wide", picture(60, 30, phone));
    write(frames / "solid", picture(8, 8, solid));
    write(frames / "clear", picture(8, 8, clear));
    write(frames / "ring", picture(16, 16, ring));

    const fs::path labels = root / "frame_label";
    const std::vector<std::string> names = {
        "iPhone 16 Pro - Black Titanium - Portrait.png",
        "iphone16pro_black_titanium_portrait.png",
        "iPhone Air - Sky Blue - Landscape.png",
        "iPhone 15 Pro Max Natural Titanium Portrait",
        "iphone17_pro_max_cosmic_orange_landscape@3x.PNG",
        "Frames/iPhone SE (3rd generation).png",
        "pixel_8_pro_obsidian.png",
        "\xC3\xA9t\xC3\xA9 \xE2\x80\x94 iPhone 16 Plus.png",
        "",
    };
    for (std::size_t i = 0; i < names.size(); ++i) write(labels / std::to_string(i), names[i]);

    const fs::path listings = root / "simctl_listing";
    write(listings / "booted", std::string("== Devices ==\n-- iOS 17.5 --\n    iPhone 15 (") +
                                   kUdidA + ") (Booted)\n    iPad Air (" + kUdidB +
                                   ") (Shutdown)\n");
    write(listings / "two", std::string("-- iOS 18.0 --\n    iPhone SE (3rd generation) (") +
                                kUdidA + ") (Booted)\r\n\xC2\xA0iPad mini\xE3\x80\x80 " + kUdidB +
                                " (Booted)\xE2\x80\xA8");
    write(listings / "none", "== Devices ==\n-- Unavailable: (Booted) --\n");

    const fs::path adb = root / "adb_listing";
    write(adb / "devices", "* daemon not running; starting now at tcp:5037\n"
                           "* daemon started successfully\n"
                           "List of devices attached\n"
                           "R58M12ABCDE            device usb:1-1 product:p3sxeea model:SM_G998B "
                           "device:p3s transport_id:1\n"
                           "emulator-5554          device product:sdk_gphone64 "
                           "model:sdk_gphone64_x86_64 device:emu64x transport_id:2\n\n");
    write(adb / "states", "List of devices attached\r\n0123456789ABCDEF\tunauthorized "
                          "usb:1-2 transport_id:3\r\n127.0.0.1:5555 offline\r\n"
                          "ZY22 no permissions (user in plugdev group); see [http://x] usb:3-1\n");

    const fs::path touches = root / "touch_file";
    write(touches / "swipe", "{\"version\": 1, \"touches\": [\n"
                             "  {\"t\":0.5,\"x\":540,\"y\":1200,\"phase\":\"down\",\"id\":0},\n"
                             "  {\"t\":0.55,\"x\":541.5,\"y\":1100,\"phase\":\"move\",\"id\":0},\n"
                             "  {\"t\":0.6,\"x\":542,\"y\":900,\"phase\":\"up\",\"id\":0}\n]}\n");
    write(touches / "two-fingers",
          "{\"touches\":[{\"t\":1,\"x\":1,\"y\":2,\"phase\":\"down\",\"id\":1},"
          "{\"t\":1,\"x\":3,\"y\":4,\"phase\":\"down\"},{\"t\":2e0,\"x\":3,\"y\":4,"
          "\"phase\":\"up\",\"id\":1}],\"version\":1,\"extra\":[null,true,\"\\u00e9\"]}");
    write(touches / "empty", "{\"version\": 1, \"touches\": []}");
    write(touches / "wrong", "{\"version\": 1, \"touches\": [{\"t\": -1, \"phase\": \"tap\"}]}");
    return 0;
}
