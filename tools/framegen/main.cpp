// Placeholder: the frame generator draws nothing yet.
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--out") std::filesystem::create_directories(argv[i + 1]);
    return 0;
}
