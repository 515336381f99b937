#pragma once
// Draws one device frame: metal edge band, black bezel, a transparent screen opening the size
// of the native display, and the side buttons. Everything outside the device is transparent.

#include "cairo_util.hpp"
#include "device_table.hpp"

namespace kestro::framegen {

// An ARGB32 image of geometryOf(model)'s canvas size.
SurfacePtr drawFrame(const DeviceModel& model, const Colourway& colour);

}  // namespace kestro::framegen
