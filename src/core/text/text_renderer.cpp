#include "core/text/text_renderer.hpp"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kestro {

namespace {

template <typename T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const {
        if (p) Free(p);
    }
};
void unrefObject(void* p) { g_object_unref(p); }
using SurfacePtr = std::unique_ptr<cairo_surface_t, Deleter<cairo_surface_t, cairo_surface_destroy>>;
using CairoPtr = std::unique_ptr<cairo_t, Deleter<cairo_t, cairo_destroy>>;
using FontDescriptionPtr =
    std::unique_ptr<PangoFontDescription,
                    Deleter<PangoFontDescription, pango_font_description_free>>;
using FontOptionsPtr =
    std::unique_ptr<cairo_font_options_t, Deleter<cairo_font_options_t, cairo_font_options_destroy>>;
using ObjectPtr = std::unique_ptr<void, Deleter<void, unrefObject>>;

// Cairo's premultiplied native-endian ARGB as straight RGBA.
Image toImage(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    Image image = Image::filled(w, h);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = row[x];
            const unsigned a = p >> 24;
            if (a == 0) continue;
            const auto straight = [a](unsigned c) {
                return static_cast<std::uint8_t>(std::min(255u, (c * 255 + a / 2) / a));
            };
            image.set(x, y, {straight((p >> 16) & 0xFF), straight((p >> 8) & 0xFF),
                             straight(p & 0xFF), static_cast<std::uint8_t>(a)});
        }
    }
    return image;
}

void setSource(cairo_t* cr, Rgba c, double opacity = 1) {
    cairo_set_source_rgba(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0, c.a / 255.0 * opacity);
}

}  // namespace

struct TextRenderer::State {
    ObjectPtr fontMap;
    ObjectPtr context;  // PangoContext

    explicit State(FcConfig* config) {
        fontMap.reset(pango_cairo_font_map_new());
        if (config) {
            pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(fontMap.get()), config);
            FcConfigDestroy(config);  // the font map holds its own reference
        }
        context.reset(pango_font_map_create_context(PANGO_FONT_MAP(fontMap.get())));
        // Outlines as designed: no hinting, grey anti-aliasing, unrounded advances.
        FontOptionsPtr options(cairo_font_options_create());
        cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
        pango_cairo_context_set_font_options(ctx(), options.get());
        pango_context_set_round_glyph_positions(ctx(), FALSE);
    }
    PangoContext* ctx() const { return static_cast<PangoContext*>(context.get()); }

    // A centred layout of `text` at `pixels` per em, wrapped at `width` pixels.
    ObjectPtr layout(const std::string& text, double pixels, int width, bool bold) const {
        ObjectPtr made(pango_layout_new(ctx()));
        auto* layout = static_cast<PangoLayout*>(made.get());
        FontDescriptionPtr font(pango_font_description_new());
        pango_font_description_set_family(font.get(), kCaptionFamily);
        pango_font_description_set_weight(font.get(), bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_SEMIBOLD);
        pango_font_description_set_absolute_size(font.get(), std::max(1.0, pixels) * PANGO_SCALE);
        pango_layout_set_font_description(layout, font.get());
        pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_width(layout, std::max(1, width) * PANGO_SCALE);
        pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
        return made;
    }
};

TextRenderer::TextRenderer() : state_(std::make_unique<State>(nullptr)) {}

TextRenderer::TextRenderer(const std::vector<std::filesystem::path>& onlyFonts) {
    FcConfig* config = FcConfigCreate();
    for (const auto& font : onlyFonts) {
        FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(font.c_str()));
    }
    state_ = std::make_unique<State>(config);
}

TextRenderer::~TextRenderer() = default;

RenderedText TextRenderer::caption(const Caption& caption, int canvasWidth, int canvasHeight) {
    const double pixels = caption.sizePercent / 100.0 * canvasHeight;
    const int padX = static_cast<int>(std::ceil(pixels * 0.6));
    const int padY = static_cast<int>(std::ceil(pixels * 0.3));
    const int wrap = std::max(1, static_cast<int>(canvasWidth * 0.9) - 2 * padX);
    ObjectPtr made = state_->layout(caption.text, pixels, wrap, false);
    auto* layout = static_cast<PangoLayout*>(made.get());
    PangoRectangle ink{}, logical{};
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    // Width from the lines as laid out, so a short line's pill is not the wrap width.
    const int textW = std::max(ink.x + ink.width, logical.x + logical.width) - std::min(ink.x, logical.x);
    const int left = std::min(ink.x, logical.x);
    const int w = std::max(1, textW + 2 * padX);
    const int h = std::max(1, logical.height + 2 * padY);

    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    CairoPtr cr(cairo_create(surface.get()));
    if (caption.pillOpacity > 0) {
        const double r = std::min({h / 2.0, w / 2.0, pixels * 0.7});
        cairo_new_sub_path(cr.get());
        cairo_arc(cr.get(), w - r, r, r, -M_PI / 2, 0);
        cairo_arc(cr.get(), w - r, h - r, r, 0, M_PI / 2);
        cairo_arc(cr.get(), r, h - r, r, M_PI / 2, M_PI);
        cairo_arc(cr.get(), r, r, r, M_PI, 3 * M_PI / 2);
        cairo_close_path(cr.get());
        setSource(cr.get(), caption.pillColour, caption.pillOpacity);
        cairo_fill(cr.get());
    }
    setSource(cr.get(), caption.textColour);
    cairo_move_to(cr.get(), padX - left, padY - logical.y);
    pango_cairo_show_layout(cr.get(), layout);
    return {toImage(surface.get()), pango_layout_get_unknown_glyphs_count(layout)};
}

RenderedText TextRenderer::titleCard(const TitleCard& card, int canvasWidth, int canvasHeight) {
    const int wrap = std::max(1, static_cast<int>(canvasWidth * 0.85));
    const double titlePixels = canvasHeight * 0.075;
    const double subtitlePixels = canvasHeight * 0.04;
    ObjectPtr title = state_->layout(card.title, titlePixels, wrap, true);
    ObjectPtr subtitle = state_->layout(card.subtitle, subtitlePixels, wrap, false);
    auto* titleLayout = static_cast<PangoLayout*>(title.get());
    auto* subtitleLayout = static_cast<PangoLayout*>(subtitle.get());
    PangoRectangle titleRect{}, subtitleRect{};
    pango_layout_get_pixel_extents(titleLayout, nullptr, &titleRect);
    pango_layout_get_pixel_extents(subtitleLayout, nullptr, &subtitleRect);
    const bool hasSubtitle = !card.subtitle.empty();
    const int gap = hasSubtitle ? static_cast<int>(subtitlePixels * 0.8) : 0;
    const int total = titleRect.height + (hasSubtitle ? gap + subtitleRect.height : 0);
    const double top = (canvasHeight - total) / 2.0;
    const double x = (canvasWidth - wrap) / 2.0;

    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, canvasWidth),
                                                  std::max(1, canvasHeight)));
    CairoPtr cr(cairo_create(surface.get()));
    setSource(cr.get(), card.textColour);
    cairo_move_to(cr.get(), x, top - titleRect.y);
    pango_cairo_show_layout(cr.get(), titleLayout);
    int unknown = pango_layout_get_unknown_glyphs_count(titleLayout);
    if (hasSubtitle) {
        setSource(cr.get(), card.textColour, 0.8);
        cairo_move_to(cr.get(), x, top + titleRect.height + gap - subtitleRect.y);
        pango_cairo_show_layout(cr.get(), subtitleLayout);
        unknown += pango_layout_get_unknown_glyphs_count(subtitleLayout);
    }
    return {toImage(surface.get()), unknown};
}

}  // namespace kestro
