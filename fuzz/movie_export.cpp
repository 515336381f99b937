// Opening a movie and exporting its first second, from memory: any bytes end in a movie or an
// error, never a crash, a hang or a leak. The canvas is small so that one run is quick. The
// input's size picks the format (one in four goes MOV), so the seeds stay plain movie files and
// both the MP4 and the MOV paths are driven.

#include "core/export/av_exporter.hpp"
#include "core/export/export_config.hpp"
#include "core/media/media_input.hpp"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

const fs::path& outputFolder() {
    static const fs::path folder = [] {
        fs::path made = fs::temp_directory_path() / ("kestro-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(made);
        return made;
    }();
    return folder;
}

struct RemoveOutputFolder {
    ~RemoveOutputFolder() {
        std::error_code ec;
        fs::remove_all(outputFolder(), ec);
    }
} removeAtExit;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool mov = size % 4 == 3;
    kestro::MemoryMovie movie("/kestro-fuzz/input", data, size);

    kestro::ExportConfig config;
    config.format = mov ? kestro::ExportFormat::mov : kestro::ExportFormat::mp4;
    config.width = 64;
    config.height = 48;
    config.trimStart = 0;
    config.trimEnd = 1;
    config.screen = kestro::ScreenRect{10, 10, 80, 80};
    config.background = kestro::BackgroundFill::white();

    const fs::path output = outputFolder() / (mov ? "out.mov" : "out.mp4");
    kestro::AVFExporter exporter;
    (void)exporter.exportVideo(movie.path(), nullptr, config, output);
    std::error_code ec;
    fs::remove(output, ec);
    return 0;
}
