#include "core/export/tap_overlay.hpp"

#include "core/export/limited_bt709.hpp"
#include "core/export/overlay_copy.hpp"
#include "core/media/av_error.hpp"

#include <algorithm>
#include <cmath>
#include <map>

namespace kestro {

namespace {

// The shapes one moment is made of, in canvas pixels.
struct Disc {
    double x, y, r, alpha;
};
struct Ring {
    double x, y, r, width, alpha;
};
struct Capsule {
    double x0, y0, x1, y1, r, alpha;
};

struct Shapes {
    std::vector<Disc> discs;
    std::vector<Ring> rings;
    std::vector<Capsule> capsules;
};

// The circle is solid to this fraction of its radius and fades to nothing at its edge.
constexpr double kSolidCore = 0.55;
constexpr double kRippleGrowth = 1.0;  // the ripple ends at twice the circle's radius
constexpr double kTrailRadius = 0.35;  // of the circle's
constexpr double kTrailAlpha = 0.7;
// A finger that moves less than this fraction of the circle's radius tapped; more, it swiped.
constexpr double kSwipeDistance = 0.5;
// The contrasting edge under every shape: how far it reaches beyond it (a fraction of the
// circle's radius) and how strongly it shows.
constexpr double kEdgeSpread = 0.12;
constexpr double kEdgeWeight = 0.35;
// The most touch points one stroke's trail is drawn through at a moment; beyond it, every
// so many of them. A touch screen reports well under this many in kTapTrailSeconds.
constexpr std::size_t kMaxTrailPoints = 128;
// Fainter than this is not drawn: rounding leaves a fade's last step a hair above nothing.
constexpr double kInvisible = 1e-3;

double smoothstep(double edge0, double edge1, double v) {
    const double s = std::clamp((v - edge0) / (edge1 - edge0), 0.0, 1.0);
    return s * s * (3 - 2 * s);
}

double pressEnd(double down, double up) {
    return std::max(up, down + kTapMinimumPress);
}

double strokeEnd(double down, double up) {
    return pressEnd(down, up) + std::max({kTapReleaseFade, kTapRippleSeconds, kTapTrailSeconds});
}

template <class T>
T clampRound(double v, long high) {
    return static_cast<T>(std::clamp(std::lround(v), 0L, high));
}

}  // namespace

TapOverlay::TapOverlay(const TouchTrack& track, const TapStyle& style,
                       const TapPlacement& placement)
    : style_(style), placement_(placement) {
    const Placement& video = placement.video;
    if (!style.enabled || style.opacity <= 0 || placement.recordingWidth <= 0 ||
        placement.recordingHeight <= 0 || video.width <= 0 || video.height <= 0)
        return;
    radius_ = std::max(0.0, style.sizePercent) / 100 * video.width / 2;
    const double luma =
        (0.2126 * style.colour.r + 0.7152 * style.colour.g + 0.0722 * style.colour.b) / 255;
    edgeColour_ = luma > 0.5 ? Rgba{0, 0, 0, 255} : Rgba{255, 255, 255, 255};
    if (!(radius_ > 0.5)) return;
    clipX0_ = std::max(0, static_cast<int>(std::floor(placement.clip.x)));
    clipY0_ = std::max(0, static_cast<int>(std::floor(placement.clip.y)));
    clipX1_ = std::min(placement.canvasWidth,
                       static_cast<int>(std::ceil(placement.clip.x + placement.clip.w)));
    clipY1_ = std::min(placement.canvasHeight,
                       static_cast<int>(std::ceil(placement.clip.y + placement.clip.h)));
    if (clipX1_ <= clipX0_ || clipY1_ <= clipY0_) return;

    const double sx = video.width / placement.recordingWidth;
    const double sy = video.height / placement.recordingHeight;
    std::map<int, std::size_t> open;  // finger -> its stroke while it is down
    for (const TouchPoint& touch : track.touches) {
        TouchPoint p = touch;
        p.x = video.tx + touch.x * sx;
        p.y = video.ty + touch.y * sy;
        const auto it = open.find(p.id);
        if (p.phase == TouchPhase::down || it == open.end()) {
            // A down ends whatever the finger still had open; a move or an up without a down
            // starts where it is (a file cut at its beginning).
            if (it != open.end()) strokes_[it->second].up = strokes_[it->second].points.back().t;
            strokes_.push_back(Stroke{{p}, p.t, p.t, false});
            open[p.id] = strokes_.size() - 1;
        } else {
            strokes_[it->second].points.push_back(p);
        }
        Stroke& stroke = strokes_[open[p.id]];
        stroke.up = p.t;
        if (p.phase == TouchPhase::up) open.erase(p.id);
    }
    for (Stroke& stroke : strokes_) {
        const TouchPoint& first = stroke.points.front();
        for (const TouchPoint& p : stroke.points)
            stroke.moved =
                stroke.moved || std::hypot(p.x - first.x, p.y - first.y) > kSwipeDistance * radius_;
    }
    // Strokes begin in time order; the running latest end lets a lookup stop early.
    std::sort(strokes_.begin(), strokes_.end(),
              [](const Stroke& a, const Stroke& b) { return a.down < b.down; });
    latestEnd_.reserve(strokes_.size());
    double latest = 0;
    for (const Stroke& stroke : strokes_) {
        latest = std::max(latest, strokeEnd(stroke.down, stroke.up));
        latestEnd_.push_back(latest);
    }
}

TapOverlay::Point TapOverlay::positionAt(const Stroke& stroke, double t) {
    const auto& points = stroke.points;
    if (t <= points.front().t) return {points.front().x, points.front().y};
    if (t >= points.back().t) return {points.back().x, points.back().y};
    const auto next = std::upper_bound(points.begin(), points.end(), t,
                                       [](double v, const TouchPoint& p) { return v < p.t; });
    const TouchPoint& b = *next;
    const TouchPoint& a = *(next - 1);
    const double f = b.t > a.t ? (t - a.t) / (b.t - a.t) : 1;
    return {a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f};
}

template <class F>
void TapOverlay::forEachActive(double t, F&& visit) const {
    // Strokes that began by t, latest first, until none earlier can still show.
    auto it = std::upper_bound(strokes_.begin(), strokes_.end(), t,
                               [](double v, const Stroke& s) { return v < s.down; });
    for (auto i = static_cast<std::size_t>(it - strokes_.begin()); i-- > 0;) {
        if (latestEnd_[i] <= t) break;
        if (strokeEnd(strokes_[i].down, strokes_[i].up) > t) visit(strokes_[i]);
    }
}

bool TapOverlay::showsAt(double t) const {
    bool any = false;
    forEachActive(t, [&](const Stroke&) { any = true; });
    return any;
}

TapCoverage TapOverlay::coverageAt(double t, const CanvasView& view) const {
    Shapes shapes;
    const double r = radius_;
    forEachActive(t, [&](const Stroke& s) {
        const double lifted = pressEnd(s.down, s.up);
        const Point at = positionAt(s, t);
        // The circle: full while pressed, then fading.
        const double circle = t <= lifted ? 1 : 1 - (t - lifted) / kTapReleaseFade;
        if (circle > kInvisible) shapes.discs.push_back({at.x, at.y, r, circle});
        // The ripple: spreads from the circle's edge when the finger lifts.
        if (t >= lifted) {
            const double k = (t - lifted) / kTapRippleSeconds;
            if (1 - k > kInvisible)
                shapes.rings.push_back({at.x, at.y, r * (1 + kRippleGrowth * k),
                                        std::max(1.5, r * 0.22 * (1 - 0.5 * k)), 0.9 * (1 - k)});
        }
        // The trail: where the finger was over the last moments, fainter the older.
        if (s.moved) {
            const double from = std::max(s.down, t - kTapTrailSeconds);
            const double to = std::min(t, s.up);
            if (to > from) {
                std::vector<std::pair<double, Point>> path{{from, positionAt(s, from)}};
                // The points in between, every one unless there are more than a trail can show
                // (a touch screen reports a few dozen in that time; a file may hold any number).
                const auto byTime = [](const TouchPoint& p, double v) { return p.t < v; };
                const auto first =
                    std::upper_bound(s.points.begin(), s.points.end(), from,
                                     [](double v, const TouchPoint& p) { return v < p.t; });
                const auto last = std::lower_bound(first, s.points.end(), to, byTime);
                const auto count = static_cast<std::size_t>(last - first);
                const std::size_t stride = (count + kMaxTrailPoints - 1) / kMaxTrailPoints;
                for (std::size_t i = 0; i < count; i += std::max<std::size_t>(1, stride)) {
                    const TouchPoint& p = first[static_cast<std::ptrdiff_t>(i)];
                    path.push_back({p.t, {p.x, p.y}});
                }
                path.push_back({to, positionAt(s, to)});
                for (std::size_t i = 1; i < path.size(); ++i) {
                    const double age = (t - (path[i - 1].first + path[i].first) / 2);
                    const double fresh = 1 - age / kTapTrailSeconds;
                    if (fresh <= kInvisible) continue;
                    shapes.capsules.push_back({path[i - 1].second.x, path[i - 1].second.y,
                                               path[i].second.x, path[i].second.y,
                                               r * kTrailRadius * (0.5 + 0.5 * fresh),
                                               kTrailAlpha * fresh});
                }
            }
        }
    });

    TapCoverage coverage;
    if (shapes.discs.empty() && shapes.rings.empty() && shapes.capsules.empty()) return coverage;
    // Under the camera every shape is drawn where the zoomed canvas shows it, at its size there.
    int clipX0 = clipX0_, clipY0 = clipY0_, clipX1 = clipX1_, clipY1 = clipY1_;
    double spread = std::max(1.5, r * kEdgeSpread);
    if (!view.identity()) {
        const double k = view.scale;
        const auto at = [&](double& x, double& y) { x = x * k - view.x, y = y * k - view.y; };
        for (Disc& d : shapes.discs) at(d.x, d.y), d.r *= k;
        for (Ring& g : shapes.rings) at(g.x, g.y), g.r *= k, g.width *= k;
        for (Capsule& c : shapes.capsules) at(c.x0, c.y0), at(c.x1, c.y1), c.r *= k;
        spread *= k;
        const CanvasRect clip = view.apply(CanvasRect{static_cast<double>(clipX0_),
                                                      static_cast<double>(clipY0_),
                                                      static_cast<double>(clipX1_ - clipX0_),
                                                      static_cast<double>(clipY1_ - clipY0_)});
        clipX0 = std::max(0, static_cast<int>(std::floor(clip.x)));
        clipY0 = std::max(0, static_cast<int>(std::floor(clip.y)));
        clipX1 = std::min(placement_.canvasWidth, static_cast<int>(std::ceil(clip.x + clip.w)));
        clipY1 = std::min(placement_.canvasHeight, static_cast<int>(std::ceil(clip.y + clip.h)));
    }
    double bx0 = 1e300, by0 = 1e300, bx1 = -1e300, by1 = -1e300;
    const auto grow = [&](double x, double y, double reach) {
        bx0 = std::min(bx0, x - reach), by0 = std::min(by0, y - reach);
        bx1 = std::max(bx1, x + reach), by1 = std::max(by1, y + reach);
    };
    // The edge reaches a little beyond each shape, under it.
    for (const Disc& d : shapes.discs) grow(d.x, d.y, d.r + spread + 1);
    for (const Ring& g : shapes.rings) grow(g.x, g.y, g.r + g.width + spread + 1);
    for (const Capsule& c : shapes.capsules) {
        grow(c.x0, c.y0, c.r + spread + 1);
        grow(c.x1, c.y1, c.r + spread + 1);
    }
    const int x0 = std::max(clipX0, static_cast<int>(std::floor(bx0)));
    const int y0 = std::max(clipY0, static_cast<int>(std::floor(by0)));
    const int x1 = std::min(clipX1, static_cast<int>(std::ceil(bx1)));
    const int y1 = std::min(clipY1, static_cast<int>(std::ceil(by1)));
    if (x1 <= x0 || y1 <= y0) return coverage;
    coverage.x = x0, coverage.y = y0, coverage.width = x1 - x0, coverage.height = y1 - y0;
    const std::size_t cells =
        static_cast<std::size_t>(coverage.width) * static_cast<std::size_t>(coverage.height);
    coverage.alpha.assign(cells, 0.0f);
    coverage.edge.assign(cells, 0.0f);
    coverage.edgeColour = edgeColour_;

    // Each shape raises the pixels under it; overlapping shapes take the stronger, so a trail
    // under its own circle does not darken it.
    const auto paint = [&](std::vector<float>& channel, double cx, double cy, double reach,
                           auto&& strength) {
        const int px0 = std::max(x0, static_cast<int>(std::floor(cx - reach)));
        const int py0 = std::max(y0, static_cast<int>(std::floor(cy - reach)));
        const int px1 = std::min(x1, static_cast<int>(std::ceil(cx + reach)));
        const int py1 = std::min(y1, static_cast<int>(std::ceil(cy + reach)));
        for (int py = py0; py < py1; ++py) {
            float* row = channel.data() + static_cast<std::size_t>(py - y0) *
                                              static_cast<std::size_t>(coverage.width);
            for (int px = px0; px < px1; ++px) {
                const auto v = static_cast<float>(strength(px + 0.5, py + 0.5));
                float& cell = row[px - x0];
                cell = std::max(cell, v);
            }
        }
    };
    // Every shape, grown by `extra` pixels and weighted, into one channel.
    const auto drawShapes = [&](std::vector<float>& channel, double extra, double weight) {
        for (const Disc& d : shapes.discs) {
            // The circle fades out from its core; its edge is solid to the circle's rim and
            // fades beyond it, a thin outline where the circle itself grows faint.
            const double radius = d.r + extra;
            const double solid = extra > 0 ? d.r : kSolidCore * d.r;
            paint(channel, d.x, d.y, radius + 1, [&](double px, double py) {
                const double dist = std::hypot(px - d.x, py - d.y);
                return weight * d.alpha * (1 - smoothstep(solid, radius + 0.5, dist));
            });
        }
        for (const Ring& g : shapes.rings) {
            const double width = g.width + 2 * extra;
            paint(channel, g.x, g.y, g.r + width + 1, [&](double px, double py) {
                const double off = std::abs(std::hypot(px - g.x, py - g.y) - g.r);
                return weight * g.alpha * std::clamp(width / 2 - off + 0.5, 0.0, 1.0);
            });
        }
        for (const Capsule& c : shapes.capsules) {
            const double dx = c.x1 - c.x0, dy = c.y1 - c.y0;
            const double length2 = dx * dx + dy * dy;
            const double length = std::sqrt(length2);
            const double radius = c.r + extra;
            const double reach = radius + 1;  // past where a pixel can still be touched
            // Row by row, only across the band the capsule lies in: a long slanted stroke's
            // bounding square is mostly empty, and a trail has many strokes.
            const int py0 =
                std::max(y0, static_cast<int>(std::floor(std::min(c.y0, c.y1) - reach)));
            const int py1 = std::min(y1, static_cast<int>(std::ceil(std::max(c.y0, c.y1) + reach)));
            const double left = std::min(c.x0, c.x1) - reach;
            const double right = std::max(c.x0, c.x1) + reach;
            for (int py = py0; py < py1; ++py) {
                const double cy = py + 0.5;
                double from = left, to = right;
                if (length > 0 && std::abs(dy) > 1e-9) {
                    // Within `reach` of the capsule's line: |(x - x0) dy - (y - y0) dx| <= reach L.
                    const double mid = c.x0 + (cy - c.y0) * dx / dy;
                    const double half = reach * length / std::abs(dy);
                    from = std::max(from, mid - half);
                    to = std::min(to, mid + half);
                }
                const int px0 = std::max(x0, static_cast<int>(std::floor(from)));
                const int px1 = std::min(x1, static_cast<int>(std::ceil(to)));
                float* row = channel.data() + static_cast<std::size_t>(py - y0) *
                                                  static_cast<std::size_t>(coverage.width);
                for (int px = px0; px < px1; ++px) {
                    const double cx = px + 0.5;
                    const double along =
                        length2 > 0
                            ? std::clamp(((cx - c.x0) * dx + (cy - c.y0) * dy) / length2, 0.0, 1.0)
                            : 0;
                    const double dist =
                        std::hypot(cx - (c.x0 + along * dx), cy - (c.y0 + along * dy));
                    const auto v = static_cast<float>(weight * c.alpha *
                                                      std::clamp(radius - dist + 0.5, 0.0, 1.0));
                    float& cell = row[px - x0];
                    cell = std::max(cell, v);
                }
            }
        }
    };
    drawShapes(coverage.edge, spread, kEdgeWeight);
    drawShapes(coverage.alpha, 0, 1);
    // Only where the taps do not already cover: inside a circle its colour is exactly the
    // style's, at the style's opacity.
    for (std::size_t i = 0; i < cells; ++i) coverage.edge[i] *= 1 - coverage.alpha[i];
    const auto strength =
        static_cast<float>(std::clamp(style_.opacity, 0.0, 1.0) * style_.colour.a / 255.0);
    for (float& a : coverage.edge) a *= strength;
    for (float& a : coverage.alpha) a *= strength;
    return coverage;
}

Result<AVFramePtr, MediaError> TapOverlay::apply(const AVFrame& picture, double t,
                                                 const CanvasView& view) const {
    const TapCoverage coverage = coverageAt(t, view);
    if (coverage.empty()) {
        AVFramePtr same = refFrame(picture);
        if (!same) return fail(mediaError(AVERROR(ENOMEM)));
        return same;
    }
    auto copy = overlayCopy(picture, placement_.canvasWidth, placement_.canvasHeight, "Taps");
    if (!copy) return fail(copy.error());
    AVFramePtr out = std::move(*copy);
    const auto format = static_cast<AVPixelFormat>(picture.format);

    AVFrame& frame = *out;
    // The edge first, the taps' colour over it.
    const auto blend = [&](const std::vector<float>& channel, Rgba c) {
        const LimitedBt709 colour = toLimitedBt709(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f);
        if (format == AV_PIX_FMT_YUV420P) {
            for (int y = coverage.y; y < coverage.y + coverage.height; ++y) {
                uint8_t* row = frame.data[0] + static_cast<ptrdiff_t>(y) * frame.linesize[0];
                for (int x = coverage.x; x < coverage.x + coverage.width; ++x) {
                    const float a = channel[coverage.index(x, y)];
                    row[x] = clampRound<uint8_t>(row[x] * (1 - a) + a * colour.y, 255);
                }
            }
            // Chroma: each sample covers a 2x2 block; the taps' share of it is their mean there.
            const int cx0 = coverage.x / 2, cy0 = coverage.y / 2;
            const int cx1 = (coverage.x + coverage.width + 1) / 2;
            const int cy1 = (coverage.y + coverage.height + 1) / 2;
            for (int cy = cy0; cy < cy1; ++cy) {
                uint8_t* cbRow = frame.data[1] + static_cast<ptrdiff_t>(cy) * frame.linesize[1];
                uint8_t* crRow = frame.data[2] + static_cast<ptrdiff_t>(cy) * frame.linesize[2];
                for (int cx = cx0; cx < cx1; ++cx) {
                    float a = 0;
                    for (int dy = 0; dy < 2; ++dy) {
                        for (int dx = 0; dx < 2; ++dx) {
                            const int x = 2 * cx + dx, y = 2 * cy + dy;
                            if (x >= coverage.x && y >= coverage.y &&
                                x < coverage.x + coverage.width && y < coverage.y + coverage.height)
                                a += channel[coverage.index(x, y)];
                        }
                    }
                    a /= 4;
                    cbRow[cx] = clampRound<uint8_t>(cbRow[cx] * (1 - a) + a * colour.cb, 255);
                    crRow[cx] = clampRound<uint8_t>(crRow[cx] * (1 - a) + a * colour.cr, 255);
                }
            }
        } else {
            const float straight[3] = {4 * colour.y, 4 * colour.cb, 4 * colour.cr};
            for (int y = coverage.y; y < coverage.y + coverage.height; ++y) {
                uint16_t* rows[4];
                for (int p = 0; p < 4; ++p)
                    rows[p] = reinterpret_cast<uint16_t*>(
                        frame.data[p] + static_cast<ptrdiff_t>(y) * frame.linesize[p]);
                for (int x = coverage.x; x < coverage.x + coverage.width; ++x) {
                    const double as = channel[coverage.index(x, y)];
                    if (as <= 0) continue;
                    const double ad = rows[3][x] / 1023.0;
                    const double ao = as + ad * (1 - as);
                    for (int p = 0; p < 3; ++p)
                        rows[p][x] = clampRound<uint16_t>(
                            (as * straight[p] + rows[p][x] * ad * (1 - as)) / ao, 1023);
                    rows[3][x] = clampRound<uint16_t>(ao * 1023, 1023);
                }
            }
        }
    };
    blend(coverage.edge, coverage.edgeColour);
    blend(coverage.alpha, style_.colour);
    return out;
}

void TapOverlay::drawOn(Image& canvas, double t) const {
    if (canvas.width != placement_.canvasWidth || canvas.height != placement_.canvasHeight ||
        !canvas.isWellFormed())
        return;
    const TapCoverage coverage = coverageAt(t);
    for (const auto& [channel, c] : {std::pair{&coverage.edge, coverage.edgeColour},
                                     std::pair{&coverage.alpha, style_.colour}}) {
        for (int y = coverage.y; y < coverage.y + coverage.height; ++y) {
            for (int x = coverage.x; x < coverage.x + coverage.width; ++x) {
                const double as = (*channel)[coverage.index(x, y)];
                if (as <= 0) continue;
                std::uint8_t* p = canvas.pixel(x, y);
                const double ad = p[3] / 255.0;
                const double ao = as + ad * (1 - as);
                const std::uint8_t top[3] = {c.r, c.g, c.b};
                for (int k = 0; k < 3; ++k)
                    p[k] = clampRound<std::uint8_t>((top[k] * as + p[k] * ad * (1 - as)) / ao, 255);
                p[3] = clampRound<std::uint8_t>(ao * 255, 255);
            }
        }
    }
}

}  // namespace kestro
