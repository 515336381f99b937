#include "png_output.hpp"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace kestro::framegen {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Cairo stores premultiplied native-endian 0xAARRGGBB words; PNG wants straight RGBA bytes.
void unpremultiplyRow(const uint32_t* src, int width, uint8_t* dst) {
    for (int x = 0; x < width; ++x) {
        const uint32_t p = src[x];
        const uint32_t a = p >> 24;
        uint8_t* d = dst + 4 * x;
        if (a == 0) {
            d[0] = d[1] = d[2] = d[3] = 0;
            continue;
        }
        auto un = [a](uint32_t c) { return static_cast<uint8_t>((c * 255 + a / 2) / a); };
        d[0] = un((p >> 16) & 0xff);
        d[1] = un((p >> 8) & 0xff);
        d[2] = un(p & 0xff);
        d[3] = static_cast<uint8_t>(a);
    }
}

}  // namespace

bool writePng(cairo_surface_t* surface, const std::filesystem::path& path) {
    cairo_surface_flush(surface);
    if (cairo_image_surface_get_format(surface) != CAIRO_FORMAT_ARGB32) return false;
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data || width <= 0 || height <= 0) return false;

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 4);
    // libpng reports errors by longjmp; nothing with a destructor is created past this point.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    if (!info) png_error(png, "out of memory");
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        unpremultiplyRow(reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride),
                         width, row.data());
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0;
}

}  // namespace kestro::framegen
