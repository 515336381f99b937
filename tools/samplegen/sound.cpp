#include "sound.hpp"

#include <cstdio>

#include "timeline.hpp"

namespace kestro::samplegen {

namespace {

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", v);
    return buf;
}

// A decaying sine starting at `at`; the gate keeps it silent before then.
std::string ping(double at, double freq, double gain, double decay) {
    // Appended rather than "literal" + string: GCC 12 at -O3 reports a false overlap
    // (-Wrestrict) for the latter.
    std::string term = "+";
    term += num(gain) + "*gte(t," + num(at) + ")*exp(-" + num(decay) + "*max(t-" + num(at) +
            ",0))*sin(2*PI*" + num(freq) + "*(t-" + num(at) + "))";
    return term;
}

std::string channel(double duration, double pan) {
    // A soft A-major pad, faded in and out, with a slow shimmer.
    std::string e = "0.045*min(1,t/1.2)*min(1,(" + num(duration) + "-t)/1.0)*(";
    e += "sin(2*PI*220*t)+0.8*sin(2*PI*277.18*t+" + num(pan) + ")+0.7*sin(2*PI*329.63*t)";
    e += "+0.35*sin(2*PI*440*t)*(0.6+0.4*sin(2*PI*0.5*t)))";
    // Interface ticks: the tap on a row and on the back button.
    e += ping(kTapTime, 2093.0, 0.16, 70);
    e += ping(kBackTap, 1975.5, 0.14, 70);
    // The push: a short airy rise.
    e += ping(kPushStart, 880.0, 0.05, 9);
    // The message chime: two bell tones a fifth apart, the second a touch later.
    e += ping(kMessageTime, 1318.5, 0.20 * (1 - pan * 0.5), 5.5);
    e += ping(kMessageTime + 0.09, 1975.5, 0.13 * (1 + pan * 0.5), 6.5);
    e += ping(kMessageTime, 659.25, 0.08, 4);
    return e;
}

}  // namespace

std::string soundSource(double duration) {
    return "aevalsrc=exprs='" + channel(duration, -0.3) + "|" + channel(duration, 0.3) +
           "':s=48000:c=stereo:d=" + num(duration);
}

}  // namespace kestro::samplegen
