#pragma once
// The two screens of the sample app: an inbox list and one conversation.

#include <cairo.h>

namespace kestro::samplegen {

// The inbox scrolled by `scroll` points; `highlight` (0..1) greys the tapped row.
void drawInbox(cairo_t* cr, double scroll, double highlight);

// The conversation at time t (typing indicator, arriving message).
void drawConversation(cairo_t* cr, double t);

}  // namespace kestro::samplegen
