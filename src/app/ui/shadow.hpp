#pragma once
// Soft drop shadows for custom-painted surfaces: a blurred rounded rectangle rendered once per
// size, radius, blur and colour, then reused on every repaint.

#include <QColor>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace kestro {

struct ShadowSpec {
    QColor color;
    qreal blur = 4;  // blur radius in pixels
    QPointF offset;  // positive y moves the shadow down
};

// Paints the shadow that a rounded rectangle `shape` with corner radius `radius` casts.
void paintShadow(QPainter& painter, const QRectF& shape, qreal radius, const ShadowSpec& shadow);

}  // namespace kestro
