#include "core/model/frame_image.hpp"

#include "core/model/frame_label.hpp"
#include "core/model/png.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <system_error>

namespace kestro {

namespace {

constexpr std::size_t kFramesPrefixLength = 7;  // "Frames/"
constexpr std::size_t kExtensionLength = 4;     // ".png"

std::string_view dropFirst(std::string_view text, std::size_t count) {
    return text.substr(std::min(count, text.size()));
}

std::string_view dropLast(std::string_view text, std::size_t count) {
    return text.substr(0, text.size() - std::min(count, text.size()));
}

// `name`.png in `folder`. `dropped` is what was cut off the end of the name; when it reads
// ".png" in another case (a user's "Phone.PNG") the file under its own spelling counts too, as
// the frames folders accept it.
std::optional<std::filesystem::path> existingPng(const std::filesystem::path& folder,
                                                 std::string_view name,
                                                 std::string_view dropped = {}) {
    if (name.empty()) return std::nullopt;
    std::error_code error;
    auto candidate = folder / (std::string(name) + ".png");
    if (std::filesystem::is_regular_file(candidate, error)) return candidate;
    if (dropped != ".png" && toLowerAscii(dropped) == ".png") {
        candidate = folder / (std::string(name) + std::string(dropped));
        if (std::filesystem::is_regular_file(candidate, error)) return candidate;
    }
    return std::nullopt;
}

// The opening's height and width are measured along runs this many parts of it apart.
constexpr int kRunSamples = 16;

constexpr bool isTransparentForDetection(std::uint8_t alpha) {
    return alpha <= 1;
}

}  // namespace

std::optional<std::filesystem::path> frameImageURL(std::string_view name,
                                                   const std::filesystem::path& resources) {
    // The prefix and suffix are dropped whether or not the name carries them; the candidates
    // cover keys with and without "Frames/" and names stored with their extension.
    const auto frames = resources / "Frames";
    struct Candidate {
        const std::filesystem::path* folder;
        std::string_view name;
        std::string_view dropped;  // the end cut off the name, for its extension's spelling
    };
    const auto lastOf = [](std::string_view text) {
        return text.substr(text.size() - std::min(kExtensionLength, text.size()));
    };
    const std::string_view framesName = dropFirst(name, kFramesPrefixLength);
    const std::array<Candidate, 5> candidates{{
        {&resources, name, {}},
        {&resources, dropLast(name, kExtensionLength), lastOf(name)},
        {&frames, framesName, {}},
        {&frames, name, {}},
        {&frames, dropLast(framesName, kExtensionLength), lastOf(framesName)},
    }};
    for (const Candidate& candidate : candidates) {
        if (auto found = existingPng(*candidate.folder, candidate.name, candidate.dropped)) {
            return found;
        }
    }
    return std::nullopt;
}

std::optional<Image> loadFrameImage(std::string_view name, const std::filesystem::path& resources) {
    const auto url = frameImageURL(name, resources);
    if (!url) return std::nullopt;
    return loadTrimmedPng(*url);
}

std::optional<Image> loadTrimmedPng(const std::filesystem::path& path) {
    auto image = loadPng(path);
    if (!image) return std::nullopt;
    return trimTransparentBorders(*image);
}

Image trimTransparentBorders(const Image& image) {
    if (!image.isWellFormed()) return image;
    int minX = image.width, minY = image.height, maxX = -1, maxY = -1;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.pixel(0, y);
        for (int x = 0; x < image.width; ++x) {
            if (row[x * 4 + 3] == 0) continue;
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
        }
    }
    if (maxX < 0) return image;
    if (minX == 0 && minY == 0 && maxX == image.width - 1 && maxY == image.height - 1) {
        return image;
    }
    Image cropped;
    cropped.width = maxX - minX + 1;
    cropped.height = maxY - minY + 1;
    cropped.rgba.resize(cropped.byteCount());
    for (int y = 0; y < cropped.height; ++y) {
        const std::uint8_t* source = image.pixel(minX, minY + y);
        std::copy(source, source + cropped.stride(), cropped.pixel(0, y));
    }
    return cropped;
}

std::optional<ScreenRect> detectScreenRect(const Image& image) {
    if (!image.isWellFormed()) return std::nullopt;
    const int W = image.width;
    const int H = image.height;
    const auto transparent = [&image](int x, int y) {
        return isTransparentForDetection(image.alpha(x, y));
    };

    const int cx = W / 2;
    const int cy = H / 2;
    int sx = -1;
    int sy = -1;
    if (transparent(cx, cy)) {
        sx = cx;
        sy = cy;
    } else {
        const int dx = std::max(static_cast<int>(W * 0.1), 1);
        const int dy = std::max(static_cast<int>(H * 0.1), 1);
        const int x0 = std::max(cx - dx, 0), x1 = std::min(cx + dx, W - 1);
        const int y0 = std::max(cy - dy, 0), y1 = std::min(cy + dy, H - 1);
        for (int y = y0; y <= y1 && sx < 0; ++y) {
            for (int x = x0; x <= x1; ++x) {
                if (transparent(x, y)) {
                    sx = x;
                    sy = y;
                    break;
                }
            }
        }
        if (sx < 0) return std::nullopt;
    }

    int left = sx, right = sx;
    while (left > 0 && transparent(left - 1, sy)) --left;
    while (right < W - 1 && transparent(right + 1, sy)) ++right;
    // The height is the tallest transparent run of several columns across the seed's row: the
    // seed's own and pairs at every sixteenth in from the row's two ends. A camera island,
    // punch-hole or notch drawn over the top of the display ends the runs that cross it; a notch as
    // wide as three quarters of the display still leaves columns beside it, clear of the rounded
    // display corners (which end the outermost runs early, never late).
    int top = sy, bottom = sy;
    const auto measureColumn = [&](int x) {
        if (!transparent(x, sy)) return;
        int t = sy, b = sy;
        while (t > 0 && transparent(x, t - 1)) --t;
        while (b < H - 1 && transparent(x, b + 1)) ++b;
        top = std::min(top, t);
        bottom = std::max(bottom, b);
    };
    measureColumn(sx);
    const int spanX = right - left;
    for (int k = 1; k <= kRunSamples / 2; ++k) {
        measureColumn(left + spanX * k / kRunSamples);
        measureColumn(right - spanX * k / kRunSamples);
    }
    // The same for the width, along the seed's row and rows at every sixteenth in from the top
    // and the bottom: a frame turned to landscape has its island or notch on the left, across the
    // seed's row.
    const auto measureRow = [&](int y) {
        if (!transparent(sx, y)) return;
        int l = sx, r = sx;
        while (l > 0 && transparent(l - 1, y)) --l;
        while (r < W - 1 && transparent(r + 1, y)) ++r;
        left = std::min(left, l);
        right = std::max(right, r);
    };
    const int spanY = bottom - top;
    for (int k = 1; k <= kRunSamples / 2; ++k) {
        measureRow(top + spanY * k / kRunSamples);
        measureRow(bottom - spanY * k / kRunSamples);
    }

    const double width = W;
    const double height = H;
    // Renderers place y from the bottom edge, so report the margin below the opening; measuring
    // from the top would shift every opening whose top and bottom margins differ.
    return ScreenRect{
        left / width * 100.0,
        (H - 1 - bottom) / height * 100.0,
        (right - left + 1) / width * 100.0,
        (bottom - top + 1) / height * 100.0,
    };
}

std::optional<double> openingCornerFraction(const Image& image, const ScreenRect& screen) {
    if (!image.isWellFormed()) return std::nullopt;
    const int W = image.width, H = image.height;
    const int x0 = static_cast<int>(std::lround(screen.x / 100 * W));
    const int w = static_cast<int>(std::lround(screen.w / 100 * W));
    const int h = static_cast<int>(std::lround(screen.h / 100 * H));
    const int y0 = H - static_cast<int>(std::lround(screen.y / 100 * H)) - h;
    if (w < 4 || h < 4 || x0 < 0 || y0 < 0 || x0 + w > W || y0 + h > H) return std::nullopt;
    const int limit = std::min(w, h) / 2;
    // Steps along the diagonal from the corner pixel (cx, cy) inward until the display shows.
    // A device body rounder than its display leaves the first steps outside the device, also
    // transparent: the count starts there, but the display begins only after the bezel.
    const auto inset = [&](int cx, int cy, int dx, int dy) {
        bool onDevice = false;
        for (int k = 0; k < limit; ++k) {
            const bool clear = isTransparentForDetection(image.alpha(cx + dx * k, cy + dy * k));
            if (!clear) onDevice = true;
            if (clear && onDevice) return k;
        }
        return -1;
    };
    int smallest = limit;
    for (const auto& [cx, cy, dx, dy] :
         {std::array{x0, y0, 1, 1}, std::array{x0 + w - 1, y0, -1, 1},
          std::array{x0, y0 + h - 1, 1, -1}, std::array{x0 + w - 1, y0 + h - 1, -1, -1}}) {
        const int k = inset(cx, cy, dx, dy);
        if (k <= 0) return std::nullopt;  // square, or no display along the diagonal
        smallest = std::min(smallest, k);
    }
    // The pixel at step k is the first whose centre lies inside the arc; the arc itself lies
    // about half a step before it.
    const double radius = (smallest - 0.5) / (1 - 1 / std::sqrt(2.0));
    return radius / std::min(w, h);
}

}  // namespace kestro
