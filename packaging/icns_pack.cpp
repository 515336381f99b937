// Packs PNG renderings of the icon into a macOS .icns file, so that the bundle's icon is made
// from the SVG at build time on any system (iconutil exists on macOS only).
//   icns_pack OUT.icns TYPE=PNG [TYPE=PNG...]
// TYPE is the four-letter element type, e.g. ic07 for 128 x 128 or ic10 for 1024 x 1024. The
// file is the 'icns' magic and total length, then each element's type, length and PNG bytes,
// lengths big-endian and counting their own 8-byte headers.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

void putHeader(std::vector<unsigned char>& out, const std::string& type, std::uint32_t length) {
    out.insert(out.end(), type.begin(), type.end());
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((length >> shift) & 0xff);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: icns_pack OUT.icns TYPE=PNG...\n");
        return 2;
    }
    std::vector<unsigned char> body;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument.size() < 6 || argument[4] != '=') {
            std::fprintf(stderr, "icns_pack: %s is not TYPE=PNG\n", argv[i]);
            return 2;
        }
        std::ifstream in(argument.substr(5), std::ios::binary);
        const std::vector<unsigned char> png{std::istreambuf_iterator<char>(in), {}};
        static const unsigned char kPngMagic[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
        if (!in.is_open() || png.size() < sizeof kPngMagic ||
            !std::equal(std::begin(kPngMagic), std::end(kPngMagic), png.begin())) {
            std::fprintf(stderr, "icns_pack: %s is not a PNG file\n", argument.c_str() + 5);
            return 1;
        }
        putHeader(body, argument.substr(0, 4), static_cast<std::uint32_t>(png.size() + 8));
        body.insert(body.end(), png.begin(), png.end());
    }
    std::vector<unsigned char> file;
    putHeader(file, "icns", static_cast<std::uint32_t>(body.size() + 8));
    file.insert(file.end(), body.begin(), body.end());
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "icns_pack: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
