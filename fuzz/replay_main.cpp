// Where libFuzzer is missing (Apple's clang ships none), each fuzz target is linked with this
// driver instead: it feeds every file of the folders and files it is given to the target once,
// so the corpus still runs as a regression test under the sanitizers. libFuzzer's -flags are
// accepted and ignored, so scripts/run-fuzzers drives both kinds alike.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void runOne(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t runs = 0;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] == '-') continue;
        const std::filesystem::path path(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(path, error))
                if (entry.is_regular_file(error)) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const auto& file : files) runOne(file), ++runs;
        } else if (std::filesystem::is_regular_file(path, error)) {
            runOne(path);
            ++runs;
        } else {
            std::fprintf(stderr, "replay: %s is neither a file nor a folder\n", argv[i]);
            return 1;
        }
    }
    // The line scripts/run-fuzzers reports, as libFuzzer prints it.
    std::printf("stat::number_of_executed_units: %zu\n", runs);
    return 0;
}
