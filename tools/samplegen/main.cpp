// samplegen: renders Kestro's bundled sample screen recording, a few seconds of an app in use
// at an iPhone's native resolution and 60 fps, and encodes it with the ffmpeg tool.
//   samplegen --out FILE.mp4 [--ffmpeg PATH] [--crf N]
//   samplegen --still SECONDS OUT.png      one frame, for looking at the design

#include <cairo.h>

#include <csignal>
#include <exception>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "cairo_util.hpp"
#include "scene.hpp"
#include "sound.hpp"
#include "timeline.hpp"

using namespace kestro::samplegen;

namespace {

struct PipeCloser {
    void operator()(std::FILE* f) const {
        if (f) pclose(f);
    }
};

std::string quoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string encoderCommand(const std::string& ffmpeg, const std::string& out, int crf) {
    const std::string size = std::to_string(kWidthPx) + "x" + std::to_string(kHeightPx);
    return quoted(ffmpeg) + " -hide_banner -loglevel error -y" + " -f rawvideo -pix_fmt bgr0 -s " +
           size + " -r " + std::to_string(kFps) + " -i -" + " -f lavfi -i " +
           quoted(soundSource(kDuration)) + " -vf scale=out_color_matrix=bt709:out_range=tv" +
           " -c:v libx264 -preset medium -crf " + std::to_string(crf) +
           " -profile:v high -pix_fmt yuv420p" +
           " -colorspace bt709 -color_primaries bt709 -color_trc bt709 -color_range tv" +
           " -c:a aac -b:a 160k -ar 48000 -ac 2 -shortest -movflags +faststart -f mp4 " +
           quoted(out);
}

int usage() {
    std::fputs(
        "usage: samplegen --out FILE.mp4 [--ffmpeg PATH] [--crf N]\n"
        "       samplegen --still SECONDS OUT.png\n",
        stderr);
    return 2;
}

int writeStill(double t, const std::string& path) {
    kestro::framegen::SurfacePtr surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidthPx, kHeightPx));
    kestro::framegen::ContextPtr cr(cairo_create(surface.get()));
    drawScene(cr.get(), t);
    if (cairo_surface_write_to_png(surface.get(), path.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "samplegen: cannot write %s\n", path.c_str());
        return 1;
    }
    return 0;
}

int run(int argc, char** argv) {
    std::string out, ffmpeg = "ffmpeg";
    int crf = 20;
    if (argc == 4 && std::string_view(argv[1]) == "--still")
        return writeStill(std::stod(argv[2]), argv[3]);
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (i + 1 >= argc) return usage();
        if (arg == "--out")
            out = argv[++i];
        else if (arg == "--ffmpeg")
            ffmpeg = argv[++i];
        else if (arg == "--crf")
            crf = std::stoi(argv[++i]);
        else
            return usage();
    }
    if (out.empty()) return usage();
    // A dying encoder must surface as a write error here, not kill us silently.
    std::signal(SIGPIPE, SIG_IGN);

    // Encoded beside the destination and renamed at the end, so a failed run never replaces the
    // bundled sample with half a file.
    const std::string partial = out + ".part";
    const std::string command = encoderCommand(ffmpeg, partial, crf);
    std::unique_ptr<std::FILE, PipeCloser> pipe(popen(command.c_str(), "w"));
    if (!pipe) {
        std::fprintf(stderr, "samplegen: cannot start %s\n", ffmpeg.c_str());
        return 1;
    }
    kestro::framegen::SurfacePtr surface(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidthPx, kHeightPx));
    kestro::framegen::ContextPtr cr(cairo_create(surface.get()));
    const int frames = static_cast<int>(kDuration * kFps);
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int n = 0; n < frames; ++n) {
        drawScene(cr.get(), static_cast<double>(n) / kFps);
        cairo_surface_flush(surface.get());
        // A context in an error state silently draws nothing from then on.
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
            std::fprintf(stderr, "samplegen: drawing failed at frame %d: %s\n", n,
                         cairo_status_to_string(cairo_status(cr.get())));
            pclose(pipe.release());
            std::remove(partial.c_str());
            return 1;
        }
        const unsigned char* data = cairo_image_surface_get_data(surface.get());
        for (int y = 0; y < kHeightPx; ++y) {
            if (std::fwrite(data + static_cast<size_t>(y) * stride, 4, kWidthPx, pipe.get()) !=
                static_cast<size_t>(kWidthPx)) {
                std::fprintf(stderr, "samplegen: the encoder stopped at frame %d\n", n);
                pclose(pipe.release());
                std::remove(partial.c_str());
                return 1;
            }
        }
        if (n % kFps == 0) std::fprintf(stderr, "\rsamplegen: %d/%d frames", n, frames);
    }
    std::fputc('\n', stderr);
    const int status = pclose(pipe.release());
    if (status != 0) {
        std::fprintf(stderr, "samplegen: ffmpeg failed (status %d)\n", status);
        std::remove(partial.c_str());
        return 1;
    }
    if (std::rename(partial.c_str(), out.c_str()) != 0) {
        std::perror(("samplegen: cannot rename " + partial).c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int status = 0;
    try {
        status = run(argc, argv);
    } catch (const std::exception&) {  // a number argument that is not a number
        status = usage();
    }
    // Drops Cairo's font caches so leak checkers see a clean exit.
    cairo_debug_reset_static_data();
    return status;
}
