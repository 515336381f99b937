// framegen: draws Kestro's device frame images, or a contact sheet of a folder of them.
//   framegen --out DIR            one PNG per device and colour into DIR
//   framegen --sheet OUT.png --in DIR

#include <cairo.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "contact_sheet.hpp"
#include "frame_writer.hpp"

namespace {

int usage() {
    std::fputs("usage: framegen --out DIR | framegen --sheet OUT.png --in DIR\n", stderr);
    return 2;
}

int run(int argc, char** argv) {
    std::string out, sheet, in;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i + 1 >= argc) return usage();
        if (arg == "--out")
            out = argv[++i];
        else if (arg == "--sheet")
            sheet = argv[++i];
        else if (arg == "--in")
            in = argv[++i];
        else
            return usage();
    }
    std::string error;
    if (!sheet.empty() && !in.empty() && out.empty()) {
        if (kestro::framegen::writeContactSheet(in, sheet, error)) return 0;
    } else if (!out.empty() && sheet.empty() && in.empty()) {
        if (kestro::framegen::writeAllFrames(out, error)) return 0;
    } else {
        return usage();
    }
    std::fprintf(stderr, "framegen: %s\n", error.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const int status = run(argc, argv);
    // Drops Cairo's font caches so leak checkers see a clean exit.
    cairo_debug_reset_static_data();
    return status;
}
