#include "cli/zoom_option.hpp"

#include "core/model/auto_zoom.hpp"
#include "core/model/touch_file.hpp"
#include "core/platform.hpp"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <utility>

namespace kestro::cli {

namespace {

// No recording Kestro reads runs longer (the touch file's times stop there too).
constexpr double kLatestZoomSeconds = kMaxTouchSeconds;

// Digits with at most one decimal point: no sign, exponent, hexadecimal, "inf" or spaces.
std::optional<double> plainNumber(std::string_view text) {
    bool digit = false;
    bool point = false;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digit) return std::nullopt;
    const std::string terminated(text);
    char* end = nullptr;
    errno = 0;
    const double value = platform::strtodInCLocale(terminated.c_str(), &end);
    if (errno == ERANGE || end != terminated.c_str() + terminated.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string number(double v) {
    std::string s = std::to_string(v);
    while (s.size() > 1 && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

}  // namespace

Result<ZoomSegment, std::string> parseZoom(std::string_view text) {
    const auto at = text.find('@');
    if (at == std::string_view::npos) return fail(std::string("expected START-END@X,Y[xSCALE]"));
    const std::string_view times = text.substr(0, at);
    std::string_view place = text.substr(at + 1);
    const auto dash = times.find('-');
    if (dash == std::string_view::npos) return fail(std::string("expected START-END before @"));
    const auto start = plainNumber(times.substr(0, dash));
    const auto end = plainNumber(times.substr(dash + 1));
    if (!start || !end) return fail(std::string("the times must be seconds, as 1.0-2.5"));
    if (!(*end > *start)) return fail(std::string("the end must come after the start"));
    if (*end > kLatestZoomSeconds)
        return fail("the times must be seconds of the recording, up to " +
                    number(kLatestZoomSeconds));

    ZoomSegment segment;
    segment.start = *start;
    segment.end = *end;
    if (const auto x = place.find_first_of("xX"); x != std::string_view::npos) {
        const auto scale = plainNumber(place.substr(x + 1));
        if (!scale) return fail(std::string("the scale after x must be a number, as x2"));
        if (*scale < kMinZoomScale || *scale > kMaxZoomScale) {
            return fail("the scale must be " + number(kMinZoomScale) + " to " +
                        number(kMaxZoomScale));
        }
        segment.scale = *scale;
        place = place.substr(0, x);
    }
    const auto comma = place.find(',');
    if (comma == std::string_view::npos) return fail(std::string("expected X,Y after @"));
    const auto fx = plainNumber(place.substr(0, comma));
    const auto fy = plainNumber(place.substr(comma + 1));
    if (!fx || !fy || *fx > 1 || *fy > 1) {
        return fail(std::string("the point must be fractions 0 to 1 across and down, as 0.3,0.2"));
    }
    segment.focusX = *fx;
    segment.focusY = *fy;
    return segment;
}

Result<CameraTrack, std::string> cameraFromOptions(const ZoomRequest& request,
                                                   const TouchTrack& touches,
                                                   const std::optional<VideoSize>& recordingSize) {
    CameraTrack track;
    std::vector<std::pair<ZoomSegment, const std::string*>> given;
    for (const std::string& text : request.zooms) {
        auto segment = parseZoom(text);
        if (!segment) return fail("--zoom \"" + text + "\": " + segment.error() + ".");
        track.push_back(*segment);
        given.emplace_back(*segment, &text);
    }
    // One zoom at a time: which of two overlapping ones the camera should follow is the user's
    // call, not a guess.
    std::stable_sort(given.begin(), given.end(),
                     [](const auto& a, const auto& b) { return a.first.start < b.first.start; });
    for (size_t i = 1; i < given.size(); ++i) {
        if (given[i].first.start < given[i - 1].first.end) {
            return fail("--zoom \"" + *given[i - 1].second + "\" and \"" + *given[i].second +
                        "\" overlap: give each stretch of the recording one zoom.");
        }
    }
    if (request.autoZoom) {
        if (touches.empty()) {
            return fail(std::string(
                "--auto-zoom needs touches: pass --touches FILE.json, or keep the recording's "
                ".touches.json beside it."));
        }
        if (!recordingSize || !(recordingSize->width > 0) || !(recordingSize->height > 0)) {
            return fail(std::string("--auto-zoom needs a recording whose size can be read."));
        }
        const CameraTrack made = zoomOnTaps(touches, recordingSize->width, recordingSize->height);
        track.insert(track.end(), made.begin(), made.end());
    }
    return track;
}

}  // namespace kestro::cli
