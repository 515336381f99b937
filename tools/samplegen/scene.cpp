#include "scene.hpp"

#include "screens.hpp"
#include "timeline.hpp"
#include "ui_kit.hpp"

namespace kestro::samplegen {

namespace {

// The tapped row stays selected while the conversation is open and fades once the inbox is
// back, as table views deselect on return.
double rowHighlight(double t) {
    if (t < kTapTime + 0.04) return 0;
    const double back = kBackTap + kPopTime;
    if (t < back) return 1;
    return 1 - clamp01((t - back) / 0.35);
}

}  // namespace

void drawScene(cairo_t* cr, double t) {
    cairo_save(cr);
    cairo_scale(cr, kScale, kScale);
    const double cover = conversationCover(t);

    // The screen underneath moves at a third of the pace (parallax) and dims slightly.
    cairo_save(cr);
    cairo_translate(cr, -0.3 * kWidth * cover, 0);
    drawInbox(cr, listScroll(t), rowHighlight(t));
    cairo_restore(cr);
    if (cover > 0) {
        cairo_rectangle(cr, 0, 0, kWidth, kHeight);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.1 * cover);
        cairo_fill(cr);

        const double left = kWidth * (1 - cover);
        // Soft shadow cast by the incoming screen's edge.
        cairo_pattern_t* shadow = cairo_pattern_create_linear(left - 14, 0, left, 0);
        cairo_pattern_add_color_stop_rgba(shadow, 0, 0, 0, 0, 0);
        cairo_pattern_add_color_stop_rgba(shadow, 1, 0, 0, 0, 0.14);
        cairo_rectangle(cr, left - 14, 0, 14, kHeight);
        cairo_set_source(cr, shadow);
        cairo_fill(cr);
        cairo_pattern_destroy(shadow);

        cairo_save(cr);
        cairo_translate(cr, left, 0);
        cairo_rectangle(cr, 0, 0, kWidth, kHeight);
        cairo_clip(cr);
        drawConversation(cr, t);
        cairo_restore(cr);
    }
    drawStatusBar(cr);
    cairo_restore(cr);
}

}  // namespace kestro::samplegen
