#pragma once
// What an output's target decides among the export choices: the plain formats set the format,
// a store's slot sets its preset (which fixes the format and size). Projects and the command
// line list outputs by target; this is where a target becomes a request.

#include "core/export/export_request.hpp"
#include "core/model/output_target.hpp"

namespace kestro {

// Clears any preset the choices held, then applies the target's. For `png` only the format
// stays untouched: a still is written by the still path (still_image.hpp), the feature graphic
// by saveFeatureGraphic (feature_graphic.hpp); isStill(target) tells them apart from movies.
void applyOutputTarget(ExportChoices& choices, OutputTarget target);

}  // namespace kestro
