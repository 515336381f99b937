#pragma once
// When things happen in the sample recording, and how they move. Times in seconds, distances
// in points (the screen is 402 × 874 points, 3 pixels per point).

#include <algorithm>
#include <cmath>

namespace kestro::samplegen {

inline constexpr double kDuration = 6.0;
inline constexpr int kFps = 60;
inline constexpr int kWidthPx = 1206;  // iPhone 16 Pro, native
inline constexpr int kHeightPx = 2622;
inline constexpr double kScale = 3.0;  // pixels per point
inline constexpr double kWidth = kWidthPx / kScale;
inline constexpr double kHeight = kHeightPx / kScale;

// The fling: the finger accelerates the list for kDragTime, lets go at kReleaseVelocity and the
// list coasts to rest with exponential deceleration, as scroll views do.
inline constexpr double kDragStart = 0.45;
inline constexpr double kDragTime = 0.32;
inline constexpr double kReleaseVelocity = 1500;  // points per second
inline constexpr double kDecay = 0.42;            // seconds; the time constant of the coast

inline constexpr double kTapTime = 2.75;  // finger lands on a row
inline constexpr int kTappedRow = 15;
inline constexpr double kPushStart = 2.95;  // conversation slides in
inline constexpr double kPushTime = 0.48;
inline constexpr double kTypingStart = 3.6;   // the other side starts typing
inline constexpr double kMessageTime = 4.25;  // and a new message arrives
inline constexpr double kBackTap = 5.0;       // back button
inline constexpr double kPopTime = 0.42;

inline double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}
inline double easeOutCubic(double u) {
    return 1 - std::pow(1 - clamp01(u), 3);
}
inline double easeInOut(double u) {
    const double x = clamp01(u);
    return x * x * (3 - 2 * x);
}
// A lightly underdamped spring settling at 1: bubbles pop in with a small overshoot.
inline double spring(double u) {
    if (u <= 0) return 0;
    return 1 - std::exp(-7 * u) * std::cos(9 * u);
}

// How far the list has scrolled at time t.
inline double listScroll(double t) {
    const double a = kReleaseVelocity / kDragTime;  // constant acceleration while dragging
    if (t <= kDragStart) return 0;
    const double d = t - kDragStart;
    if (d <= kDragTime) return 0.5 * a * d * d;
    const double dragged = 0.5 * a * kDragTime * kDragTime;
    const double coast = d - kDragTime;
    return dragged + kReleaseVelocity * kDecay * (1 - std::exp(-coast / kDecay));
}

// 0 while the inbox is shown alone, 1 while the conversation covers it.
inline double conversationCover(double t) {
    if (t < kPushStart) return 0;
    if (t < kBackTap) return easeOutCubic((t - kPushStart) / kPushTime);
    return 1 - easeInOut((t - kBackTap - 0.05) / kPopTime);
}

}  // namespace kestro::samplegen
