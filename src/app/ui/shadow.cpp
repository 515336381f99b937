#include "app/ui/shadow.hpp"

#include "core/model/drop_shadow.hpp"

#include <QCache>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestro {

void paintShadow(QPainter& painter, const QRectF& shape, qreal radius, const ShadowSpec& shadow) {
    if (shape.isEmpty() || shadow.color.alpha() == 0) return;
    const int blur = static_cast<int>(std::ceil(shadow.blur));
    const int margin = silhouetteShadowMargin(shadow.blur);
    const int w = static_cast<int>(std::ceil(shape.width())) + margin * 2;
    const int h = static_cast<int>(std::ceil(shape.height())) + margin * 2;
    // Bigger than any surface of the window; the cache could not hold it.
    if (static_cast<qint64>(w) * h > 4'000'000) return;

    static QCache<QString, QImage> cache(64 * 1024 * 1024 / 4);
    const QString key = QString("%1x%2 r%3 b%4 c%5")
                            .arg(w)
                            .arg(h)
                            .arg(radius, 0, 'f', 1)
                            .arg(blur)
                            .arg(shadow.color.rgba(), 0, 16);
    QImage* img = cache.object(key);
    if (!img) {
        // The rounded rectangle's silhouette, from its own top-left corner; the shadow adds the
        // margin around it.
        QImage shapeImage(static_cast<int>(std::ceil(shape.width())),
                          static_cast<int>(std::ceil(shape.height())),
                          QImage::Format_ARGB32_Premultiplied);
        shapeImage.fill(Qt::transparent);
        {
            QPainter p(&shapeImage);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawRoundedRect(QRectF(0, 0, shape.width(), shape.height()), radius, radius);
        }
        img = new QImage(silhouetteShadow(shapeImage, shadow.blur, shadow.color));
        cache.insert(key, img, w * h);
    }
    painter.drawImage(QPointF(shape.x() - margin + shadow.offset.x(),
                              shape.y() - margin + shadow.offset.y()),
                      *img);
}

}  // namespace kestro

namespace kestro {

int silhouetteShadowMargin(qreal blur) { return dropShadowMargin(blur); }

QImage silhouetteShadow(const QImage& source, qreal blur, const QColor& color) {
    if (source.isNull()) return {};
    const int margin = silhouetteShadowMargin(blur);
    QImage out(source.width() + margin * 2, source.height() + margin * 2, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    {
        QPainter p(&out);
        p.drawImage(margin, margin, source);
    }
    // The blur the export's device shadow uses, on the alpha bytes of this (little-endian
    // ARGB32) picture.
    boxBlurSamples(out.bits() + 3, out.width(), out.height(), out.bytesPerLine(), 4,
                   shadowBoxRadius(blur));
    for (int y = 0; y < out.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            row[x] = qRgba(color.red(), color.green(), color.blue(), qAlpha(row[x]) * color.alpha() / 255);
    }
    return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace kestro
