#pragma once
// "Zoom on taps": camera segments made from a touch track, so that the viewer's eye follows the
// finger. Touches close together in time and place form one cluster; the camera moves in on each
// cluster a little before its first touch and stays until a little after its last. Fast scrolls
// and long swipes are not chased: they get a wider view when one can hold them, and none
// otherwise. What comes out are ordinary segments, edited like any other.

#include "core/model/touch_track.hpp"
#include "core/model/zoom_segment.hpp"

namespace kestro {

// Every rule the segments follow. Distances are fractions of the recording's width (both axes,
// so that a distance means the same across and down); times are seconds.
struct AutoZoomRules {
    double scale = 2;        // the camera on a cluster of taps
    double leadIn = 0.4;     // the segment starts this long before the cluster's first touch
    double holdAfter = 0.8;  // and ends this long after its last touch lifts
    double ease = kDefaultZoomEase;
    // A touch joins the cluster before it when it starts at most clusterGap after that
    // cluster's last touch ends, at most clusterDistance from the cluster's middle.
    double clusterGap = 1.5;
    double clusterDistance = 0.2;
    // A touch that travels less than this is a tap; more, a drag or a swipe.
    double tapTravel = 0.04;
    // A stroke faster than this (widths per second) or longer than longSwipe is a scroll or a
    // swipe: it gets swipeScale when its whole path fits in that view, and no zoom otherwise
    // (nor when swipeScale is 1 or less).
    double swipeSpeed = 1.5;
    double longSwipe = 0.35;
    double swipeScale = 1.4;
    // What a view must hold: the cluster's touches fill at most this share of it across and
    // down; the scale is lowered until they do.
    double fitShare = 0.8;
    // Below this scale a segment is not worth making.
    double minimumScale = 1.2;
    // Segments less than this apart become one, when the one still holds both clusters at the
    // smaller of their scales. Two that would still overlap meet half-way between the clusters'
    // touches, and the camera pans from one to the other there (in at most `ease`).
    double mergeGap = 0.3;
};

// The segments for `touches` on a recording of `width` x `height` pixels, in time order and
// never overlapping. Times
// are the touches' (seconds of the recording), never before 0. Nothing for an empty track or a
// recording of no size.
CameraTrack zoomOnTaps(const TouchTrack& touches, double width, double height,
                       const AutoZoomRules& rules = {});

}  // namespace kestro
