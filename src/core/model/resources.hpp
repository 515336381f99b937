#pragma once
// Where Kestro's resources (the device frame images) are found.

#include <filesystem>

namespace kestro {

// $KESTRO_RESOURCES when set and not empty; otherwise <executable dir>/../share/kestro when it
// exists (an installed Kestro); otherwise <executable dir>/../Resources when it exists (a macOS
// app bundle); otherwise the build tree's resources folder, so a freshly built binary runs in
// place. Frame images live at its top level or in its "Frames" folder.
std::filesystem::path resourcesDir();

}  // namespace kestro
