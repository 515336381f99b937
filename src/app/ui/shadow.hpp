#pragma once
// Soft drop shadows for custom-painted surfaces: a blurred rounded rectangle rendered once per
// size, radius, blur and colour, then reused on every repaint.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

class QPainter;

namespace kestro {

struct ShadowSpec {
    QColor color;
    qreal blur = 4;  // blur radius in pixels
    QPointF offset;  // positive y moves the shadow down
};

// Paints the shadow that a rounded rectangle `shape` with corner radius `radius` casts. A size
// not painted before is blurred here, on the calling (interface) thread: a surface whose size
// changes often and is large makes its picture ahead with roundedRectShadow() instead.
void paintShadow(QPainter& painter, const QRectF& shape, qreal radius, const ShadowSpec& shadow);

// The picture paintShadow() draws for a rounded rectangle of `shapeSize`; null when it is too
// large to be worth one. Uses no cache: safe on any thread.
QImage roundedRectShadow(const QSizeF& shapeSize, qreal radius, const ShadowSpec& shadow);
// Draws a picture from roundedRectShadow() where paintShadow() would draw it for `shape`. One
// made for another size (while the right one is being made) is stretched to fit.
void drawShadowPicture(QPainter& painter, const QRectF& shape, const QImage& picture,
                       const ShadowSpec& shadow);

}  // namespace kestro

namespace kestro {

// The shadow an arbitrary picture casts: its alpha, blurred, in `color`. The result is larger
// than the source by blur * 2 + 2 on every side; draw it at the source's position minus that
// margin, plus the shadow's offset.
QImage silhouetteShadow(const QImage& source, qreal blur, const QColor& color);
int silhouetteShadowMargin(qreal blur);

}  // namespace kestro
