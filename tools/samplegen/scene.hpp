#pragma once
// One frame of the sample recording: the inbox, the conversation pushed over it, the status bar.

#include <cairo.h>

namespace kestro::samplegen {

// Draws the screen at time t (seconds) onto a context of kWidthPx × kHeightPx pixels.
void drawScene(cairo_t* cr, double t);

}  // namespace kestro::samplegen
