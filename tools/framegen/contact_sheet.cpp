#include "contact_sheet.hpp"

#include <algorithm>
#include <vector>

#include "cairo_util.hpp"

namespace kestro::framegen {

namespace {

constexpr int kColumns = 6;
constexpr double kThumbHeight = 560;
constexpr double kCellWidth = 330;
constexpr double kLabelHeight = 44;
constexpr double kPadding = 24;

struct Thumb {
    std::string name;
    SurfacePtr image;
};

void drawLabel(cairo_t* cr, const std::string& text, double cx, double y) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    double size = 13;
    cairo_text_extents_t ext;
    // Long names shrink to fit their cell rather than run into the neighbour.
    for (;; size -= 0.5) {
        cairo_set_font_size(cr, size);
        cairo_text_extents(cr, text.c_str(), &ext);
        if (ext.x_advance <= kCellWidth - 12 || size <= 8) break;
    }
    cairo_move_to(cr, cx - ext.x_advance / 2, y);
    cairo_set_source_rgb(cr, 0.16, 0.16, 0.18);
    cairo_show_text(cr, text.c_str());
}

}  // namespace

bool writeContactSheet(const std::filesystem::path& folder, const std::filesystem::path& out,
                       std::string& error) {
    std::vector<Thumb> thumbs;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (entry.path().extension() != ".png") continue;
        SurfacePtr img(cairo_image_surface_create_from_png(entry.path().c_str()));
        if (cairo_surface_status(img.get()) != CAIRO_STATUS_SUCCESS) {
            error = "cannot read " + entry.path().string();
            return false;
        }
        thumbs.push_back({entry.path().filename().string(), std::move(img)});
    }
    if (ec) {
        error = "cannot list " + folder.string() + ": " + ec.message();
        return false;
    }
    if (thumbs.empty()) {
        error = "no PNG files in " + folder.string();
        return false;
    }
    std::sort(thumbs.begin(), thumbs.end(),
              [](const Thumb& a, const Thumb& b) { return a.name < b.name; });

    const int rows = static_cast<int>((thumbs.size() + kColumns - 1) / kColumns);
    const int width = static_cast<int>(2 * kPadding + kColumns * kCellWidth);
    const int height = static_cast<int>(2 * kPadding + rows * (kThumbHeight + kLabelHeight));
    SurfacePtr sheet(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    ContextPtr cr(cairo_create(sheet.get()));
    // Mid grey: light and dark phones both stand out, and the openings show as grey.
    cairo_set_source_rgb(cr.get(), 0.66, 0.66, 0.68);
    cairo_paint(cr.get());

    for (size_t i = 0; i < thumbs.size(); ++i) {
        const double cellX = kPadding + static_cast<double>(i % kColumns) * kCellWidth;
        const double cellY =
            kPadding + static_cast<double>(i / kColumns) * (kThumbHeight + kLabelHeight);
        cairo_surface_t* img = thumbs[i].image.get();
        const double w = cairo_image_surface_get_width(img);
        const double h = cairo_image_surface_get_height(img);
        const double s = std::min((kThumbHeight - 16) / h, (kCellWidth - 16) / w);
        cairo_save(cr.get());
        cairo_translate(cr.get(), cellX + (kCellWidth - w * s) / 2, cellY + 8);
        cairo_scale(cr.get(), s, s);
        cairo_set_source_surface(cr.get(), img, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
        cairo_paint(cr.get());
        cairo_restore(cr.get());
        drawLabel(cr.get(), thumbs[i].name, cellX + kCellWidth / 2, cellY + kThumbHeight + 14);
    }
    cairo_surface_flush(sheet.get());
    if (cairo_surface_write_to_png(sheet.get(), out.c_str()) != CAIRO_STATUS_SUCCESS) {
        error = "cannot write " + out.string();
        return false;
    }
    return true;
}

}  // namespace kestro::framegen
