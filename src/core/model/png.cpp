#include "core/model/png.hpp"

#include "core/platform.hpp"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <new>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace kestro {

namespace {

// Deflate expands one compressed byte into at most 1032 bytes, and one bit of raw PNG data
// (a 1-bit palette or grey sample) becomes at most 32 bits of RGBA: a file of n bytes can never
// decode to more than n * 8 * 1032 * 32 / 8 bytes. Checked before the pixel buffer is allocated,
// so a tiny file with a forged header cannot make us reserve gigabytes.
constexpr std::uint64_t kMaxExpansion = 1032ULL * 32ULL;

// No PNG that fits the dimension limit needs to be larger than this on disk (the largest image,
// stored uncompressed, plus generous chunk overhead); refusing bigger files keeps the read bounded.
constexpr std::uint64_t kMaxPngFileBytes =
    static_cast<std::uint64_t>(kMaxPngDimension) * kMaxPngDimension * 8 + (64ULL << 20);

struct MemorySource {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
};

struct DecodedPng {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    std::vector<png_bytep> rows;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->size - source->position) png_error(png, "truncated file");
    std::memcpy(out, source->data + source->position, length);
    source->position += length;
}

// libpng reports through these; errors jump back to the setjmp in decode/encode, warnings are
// dropped (the core writes no log).
void onPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void onPngWarning(png_structp, png_const_charp) {}

// The setjmp frame. It owns no object with a destructor, and everything it changes after
// setjmp lives behind the pointers it was given, so a longjmp out of libpng skips no cleanup
// and leaves no indeterminate local behind. The caller frees the libpng structures.
bool decode(png_structp png, png_infop info, MemorySource* source, DecodedPng* out) {
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_read_fn(png, source, readFromMemory);
    png_set_user_limits(png, kMaxPngDimension, kMaxPngDimension);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || width > kMaxPngDimension || height > kMaxPngDimension) {
        return false;
    }
    const std::uint64_t outputBytes = static_cast<std::uint64_t>(width) * height * 4;
    if (outputBytes > static_cast<std::uint64_t>(source->size) * kMaxExpansion) return false;

    const int colorType = png_get_color_type(png, info);
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to an alpha channel
    png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);  // only applies when there is no alpha yet
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4) return false;

    out->width = static_cast<int>(width);
    out->height = static_cast<int>(height);
    out->rgba.resize(outputBytes);
    out->rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        out->rows[y] = out->rgba.data() + static_cast<std::size_t>(y) * width * 4;
    }
    png_read_image(png, out->rows.data());
    png_read_end(png, nullptr);
    return true;
}

bool encode(png_structp png, png_infop info, std::FILE* file, const Image* image,
            std::vector<png_bytep>* rows, bool dropAlpha) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image->width),
                 static_cast<png_uint_32>(image->height), 8,
                 dropAlpha ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The rows stay RGBA in memory; libpng skips the fourth byte of each pixel.
    if (dropAlpha) png_set_filler(png, 0, PNG_FILLER_AFTER);
    png_write_image(png, rows->data());
    png_write_end(png, nullptr);
    return true;
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxPngFileBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0) {
        in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
        bytes.resize(static_cast<std::size_t>(in.gcount()));
    }
    return bytes;
}

}  // namespace

std::optional<Image> decodePng(const std::uint8_t* data, std::size_t size) {
    try {
        if (data == nullptr || size < 8 || size > kMaxPngFileBytes ||
            png_sig_cmp(data, 0, 8) != 0) {
            return std::nullopt;
        }
        png_structp png =
            png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning);
        if (png == nullptr) return std::nullopt;
        png_infop info = png_create_info_struct(png);
        if (info == nullptr) {
            png_destroy_read_struct(&png, nullptr, nullptr);
            return std::nullopt;
        }
        MemorySource source{data, size, 0};
        DecodedPng decoded;
        bool ok = false;
        try {
            ok = decode(png, info, &source, &decoded);
        } catch (const std::bad_alloc&) {
            ok = false;
        }
        png_destroy_read_struct(&png, &info, nullptr);
        if (!ok) return std::nullopt;
        Image image;
        image.width = decoded.width;
        image.height = decoded.height;
        image.rgba = std::move(decoded.rgba);
        return image;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<Image> loadPng(const std::filesystem::path& path) {
    try {
        const auto bytes = readWholeFile(path);
        if (!bytes) return std::nullopt;
        return decodePng(bytes->data(), bytes->size());
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

Result<Done, std::string> savePng(const Image& image, const std::filesystem::path& path,
                                  PngAlpha alpha) {
    if (image.empty() || image.width > kMaxPngDimension || image.height > kMaxPngDimension ||
        image.rgba.size() != image.byteCount()) {
        return fail(std::string("cannot write an empty or malformed image to ") + path.string());
    }
    const std::filesystem::path directory =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    // Appended, not "." + string: GCC 12 at -O3 misreads that as overlapping (-Wrestrict).
    std::string hidden = ".";
    hidden += path.filename().string();
    hidden += ".XXXXXX";
    std::string pattern = (directory / hidden).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return fail("cannot create a file in " + directory.string() + ": " + std::strerror(errno));
    }
    const std::filesystem::path temporary(name.data());
    auto discard = [&temporary] {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
    };
    std::FILE* file = ::fdopen(fd, "wb");
    if (file == nullptr) {
        ::close(fd);
        discard();
        return fail("cannot open " + temporary.string() + " for writing");
    }

    std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(image.pixel(0, y));
    }
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png != nullptr && info != nullptr &&
              encode(png, info, file, &image, &rows, alpha == PngAlpha::drop);
    png_destroy_write_struct(&png, &info);
    ok = std::fflush(file) == 0 && ok;
    ok = platform::flushToDisk(::fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        discard();
        return fail("could not write the PNG image " + path.string());
    }
    // mkstemp creates the file as 0600; a saved image should carry the usual permissions.
    std::error_code error;
    std::filesystem::permissions(
        temporary,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
            std::filesystem::perms::group_read | std::filesystem::perms::others_read,
        error);
    std::filesystem::rename(temporary, path, error);
    if (error) {
        discard();
        return fail("could not replace " + path.string() + ": " + error.message());
    }
    return Done{};
}

}  // namespace kestro
