#pragma once
// Saves a Cairo image surface as an 8-bit RGBA PNG.

#include <cairo.h>

#include <filesystem>

namespace kestro::framegen {

// Cairo's own PNG writer uses libpng's exhaustive filter search, which costs more than drawing
// the frame. Frames are mostly runs of transparent or flat pixels that compress just as well
// with one fixed filter and light deflate, in a fraction of the time.
bool writePng(cairo_surface_t* surface, const std::filesystem::path& path);

}  // namespace kestro::framegen
