#include "app/preview/time_format.hpp"

#include <cmath>

namespace kestro {

QString formatTime(double seconds) {
    if (!std::isfinite(seconds) || std::abs(seconds) > 1e12) return QStringLiteral("0:00");
    const long long whole = static_cast<long long>(seconds);  // toward zero
    const long long m = whole / 60;
    const long long s = whole - 60 * m;
    return QString::asprintf("%lld:%02lld", m, s);
}

}  // namespace kestro
