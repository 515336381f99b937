// The killed-child helper (see killed_child.hpp): gets a write under way, says so with one byte
// on its standard output, then waits to be killed. Exits with 2 when it cannot get going.

#include "core/export/exporter_support.hpp"
#include "core/media/output_file.hpp"

extern "C" {
#include <libavformat/avio.h>
}

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

[[noreturn]] void readyThenWait() {
    const char byte = 1;
    if (::write(STDOUT_FILENO, &byte, 1) != 1) ::_exit(2);
    for (;;) ::pause();
}

int writeOutputFile(const std::filesystem::path& destination, const std::string& kind) {
    using Temporary = kestro::OutputFile::Temporary;
    auto file = kestro::OutputFile::create(
        destination, {}, kind == "named" ? Temporary::named : Temporary::unnamedWhereSupported);
    if (!file) return 2;
    const std::string bytes(100000, 'm');
    avio_write((*file)->io(), reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<int>(bytes.size()));
    avio_flush((*file)->io());
    readyThenWait();
}

int exportMovie(const std::filesystem::path& input, const std::filesystem::path& destination) {
    (void)kestro::AVFExporter().exportVideo(input, nullptr, kestro::test::smallConfig(),
                                            destination, [](double done) {
                                                if (done > 0) readyThenWait();
                                            });
    return 2;  // finished without reporting progress
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "output-file") == 0) return writeOutputFile(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "export") == 0) return exportMovie(argv[2], argv[3]);
    return 2;
}
