#pragma once
// The drawn taps' style as the preferences keep it between runs: the last style chosen in the
// Taps card (or opened with a project) is the one a new recording starts with. Reading never
// trusts the stored text: a value that is missing, of the wrong kind or out of the editor's range
// gives that property's default.

#include "core/model/touch_track.hpp"

class QSettings;

namespace kestro {

TapStyle readTapStylePreferences(const QSettings& settings);
void writeTapStylePreferences(QSettings& settings, const TapStyle& style);

}  // namespace kestro
