#include "core/check/png_facts.hpp"

#include "core/model/png.hpp"

#include <png.h>

#include <array>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <system_error>

namespace kestro {

namespace {

namespace fs = std::filesystem;

void onHeaderError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onHeaderWarning(png_structp, png_const_charp) {}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Kept free of objects with destructors: libpng's errors leave through longjmp.
bool readHeader(png_structp png, png_infop info, std::FILE* file, PngFacts* facts) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    facts->width = static_cast<int>(png_get_image_width(png, info));
    facts->height = static_cast<int>(png_get_image_height(png, info));
    facts->bitDepth = png_get_bit_depth(png, info);
    const int colourType = png_get_color_type(png, info);
    facts->alpha =
        (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    return true;
}

}  // namespace

Result<PngFacts, std::string> readPngFacts(const fs::path& path) {
    std::error_code error;
    if (!fs::exists(path, error)) return fail(path.string() + " does not exist.");
    if (!fs::is_regular_file(path, error)) return fail(path.string() + " is not a file.");
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return fail(path.string() + " cannot be read.");
    std::array<png_byte, 8> signature{};
    if (std::fread(signature.data(), 1, signature.size(), file.get()) != signature.size() ||
        png_sig_cmp(signature.data(), 0, signature.size()) != 0) {
        return fail(path.string() + " is not a PNG picture.");
    }
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onHeaderError, onHeaderWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    PngFacts facts;
    const bool ok = png && info && readHeader(png, info, file.get(), &facts);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) return fail(path.string() + " is a damaged PNG picture: its header cannot be read.");
    facts.decodable = loadPng(path).has_value();
    return facts;
}

}  // namespace kestro
