#pragma once
// The small set of line icons the editor uses, drawn as vector paths so they stay crisp at any
// size and take any palette colour. Names follow the system symbol names the layout is written
// with ("play.fill", "moon.fill", ...); an unknown name draws nothing.

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

namespace kestro {

void paintSymbol(QPainter& painter, const QString& name, const QRectF& box, const QColor& color);

}  // namespace kestro
