#pragma once

#include <QString>

namespace kestro {

// Whole seconds as "m:ss" (minutes unbounded): 75.9 gives "1:15", 3725 gives "62:05". The
// fraction is dropped toward zero; a value that is not finite shows as "0:00".
QString formatTime(double seconds);

}  // namespace kestro
