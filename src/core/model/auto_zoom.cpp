#include "core/model/auto_zoom.hpp"

#include <algorithm>
#include <cmath>
#include <map>

namespace kestro {

namespace {

// A segment cut shorter than this by the next one is left out: it would only flicker.
constexpr double kShortestSegment = 0.1;

// Points in widths: x / width, y / width.
struct Point {
    double x = 0, y = 0;
};

struct Box {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    void add(Point p) {
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
        x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
    void add(const Box& b) {
        add(Point{b.x0, b.y0});
        add(Point{b.x1, b.y1});
    }
    Point middle() const { return {(x0 + x1) / 2, (y0 + y1) / 2}; }
};

// One finger from down to up.
struct Stroke {
    double t0 = 0, t1 = 0;
    double travel = 0;  // along its path
    Box box;
    Point last;
};

std::vector<Stroke> strokesOf(const TouchTrack& track, double width) {
    std::vector<Stroke> done;
    std::map<int, Stroke> open;
    for (const TouchPoint& p : track.touches) {
        if (!std::isfinite(p.t) || !std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        const Point at{p.x / width, p.y / width};
        auto it = open.find(p.id);
        if (it == open.end() || p.phase == TouchPhase::down) {
            if (it != open.end()) done.push_back(it->second);  // a down without its up
            Stroke s;
            s.t0 = s.t1 = p.t;
            s.box.add(at);
            s.last = at;
            it = open.insert_or_assign(p.id, s).first;
        } else {
            Stroke& s = it->second;
            s.travel += std::hypot(at.x - s.last.x, at.y - s.last.y);
            s.t1 = std::max(s.t1, p.t);
            s.box.add(at);
            s.last = at;
        }
        if (p.phase == TouchPhase::up) {
            done.push_back(it->second);
            open.erase(it);
        }
    }
    for (auto& [id, s] : open) done.push_back(s);
    std::sort(done.begin(), done.end(),
              [](const Stroke& a, const Stroke& b) { return a.t0 < b.t0; });
    return done;
}

// A stretch of time the camera should hold `box` in view, at most at `cap`.
struct Zone {
    double t0 = 0, t1 = 0;  // of the touches
    Box box;
    double cap = 1;
    bool swipe = false;
};

// The largest scale at most `cap` whose view holds the box with the rules' share.
double fittingScale(const Box& box, double cap, double aspect, const AutoZoomRules& rules) {
    // The view is 1/scale of the recording: across, 1/scale widths; down, aspect/scale widths.
    const double w = std::max(box.x1 - box.x0, 1e-9);
    const double h = std::max(box.y1 - box.y0, 1e-9);
    return std::min({cap, rules.fitShare / w, rules.fitShare * aspect / h});
}

}  // namespace

CameraTrack zoomOnTaps(const TouchTrack& touches, double width, double height,
                       const AutoZoomRules& rules) {
    if (touches.empty() || !(width > 0) || !(height > 0)) return {};
    const double aspect = height / width;
    const double tapScale = std::clamp(rules.scale, kMinZoomScale, kMaxZoomScale);
    const double swipeScale = std::clamp(rules.swipeScale, kMinZoomScale, kMaxZoomScale);

    std::vector<Zone> zones;
    for (const Stroke& s : strokesOf(touches, width)) {
        const double duration = std::max(s.t1 - s.t0, 1e-3);
        const bool tap = s.travel < rules.tapTravel;
        const bool swipe =
            !tap && (s.travel / duration > rules.swipeSpeed || s.travel > rules.longSwipe);
        if (swipe) {
            // Its own zone, never part of a cluster of taps.
            zones.push_back(Zone{s.t0, s.t1, s.box, swipeScale, true});
            continue;
        }
        if (!zones.empty() && !zones.back().swipe) {
            Zone& z = zones.back();
            const Point m = z.box.middle();
            const Point c = s.box.middle();
            if (s.t0 - z.t1 <= rules.clusterGap &&
                std::hypot(c.x - m.x, c.y - m.y) <= rules.clusterDistance) {
                z.t1 = std::max(z.t1, s.t1);
                z.box.add(s.box);
                continue;
            }
        }
        zones.push_back(Zone{s.t0, s.t1, s.box, tapScale, false});
    }

    struct Made {
        ZoomSegment segment;
        Box box;
        double cap = 1;
        double firstTouch = 0, lastTouch = 0;
    };
    std::vector<Made> made;
    for (const Zone& z : zones) {
        const double scale = fittingScale(z.box, z.cap, aspect, rules);
        if (scale < std::max(rules.minimumScale, 1.0)) continue;  // stay out
        Made m;
        m.segment.start = std::max(0.0, z.t0 - rules.leadIn);
        m.segment.end = z.t1 + rules.holdAfter;
        m.segment.scale = scale;
        m.segment.easeIn = rules.ease;
        m.segment.easeOut = rules.ease;
        m.box = z.box;
        m.cap = z.cap;
        m.firstTouch = z.t0;
        m.lastTouch = z.t1;
        made.push_back(m);
    }

    // Merge what nearly touches, when one view still holds both.
    std::vector<Made> merged;
    for (const Made& m : made) {
        if (!merged.empty()) {
            Made& last = merged.back();
            if (m.segment.start - last.segment.end < rules.mergeGap) {
                Box both = last.box;
                both.add(m.box);
                const double wanted = std::min(last.segment.scale, m.segment.scale);
                const double fits = fittingScale(both, wanted, aspect, rules);
                if (fits >= wanted - 1e-9) {
                    last.box = both;
                    last.segment.end = std::max(last.segment.end, m.segment.end);
                    last.segment.scale = wanted;
                    last.lastTouch = std::max(last.lastTouch, m.lastTouch);
                    continue;
                }
            }
        }
        Made next = m;
        if (!merged.empty() && next.segment.start < merged.back().segment.end) {
            // Quick touches in places one view cannot hold: the camera hands over half-way
            // between them, panning from the one to the other. Left overlapping, the second
            // would happen while the camera still holds the first.
            Made& last = merged.back();
            const double from = std::max(last.segment.start, next.segment.start);
            const double to = std::min(last.segment.end, next.segment.end);
            const double cut = std::clamp((last.lastTouch + next.firstTouch) / 2, from, to);
            const double pan =
                std::clamp((next.firstTouch - last.lastTouch) / 2, rules.ease / 2, rules.ease);
            last.segment.end = cut;
            last.segment.easeOut = pan;
            next.segment.start = cut;
            next.segment.easeIn = pan;
            if (last.segment.end - last.segment.start < kShortestSegment) merged.pop_back();
            if (next.segment.end - next.segment.start < kShortestSegment) continue;
        }
        merged.push_back(next);
    }

    CameraTrack track;
    for (Made& m : merged) {
        const Point c = m.box.middle();
        m.segment.focusX = std::clamp(c.x, 0.0, 1.0);
        m.segment.focusY = std::clamp(c.y / aspect, 0.0, 1.0);
        track.push_back(m.segment);
    }
    return track;
}

}  // namespace kestro
