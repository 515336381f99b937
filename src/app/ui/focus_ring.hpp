#pragma once
// The keyboard focus ring every focusable control draws. It shows only while the focus arrived
// from the keyboard (Tab, a shortcut), as desktop toolkits do, so a mouse click does not leave a
// ring behind; it is blue in both appearances, so it stands out from the amber accent fills.

#include <QRectF>

class QPainter;
class QWidget;

namespace kestro {

// Starts noting why the focus moves; the window calls it once at start, so the first focus
// change is already seen.
void trackFocusReasons();

bool showsFocusRing(const QWidget& widget);

// A 2-point ring just outside `shape`, a rounded rectangle of `radius` (an ellipse when
// `ellipse` is set).
void paintFocusRing(QPainter& painter, const QRectF& shape, qreal radius, bool ellipse = false);

}  // namespace kestro
