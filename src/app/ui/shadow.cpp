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

namespace {

// The picture's size for a shape: the shape's, rounded up, and the blur's margin around it.
QSize shadowPictureSize(const QSizeF& shapeSize, qreal blur) {
    const int margin = silhouetteShadowMargin(blur);
    return {static_cast<int>(std::ceil(shapeSize.width())) + margin * 2,
            static_cast<int>(std::ceil(shapeSize.height())) + margin * 2};
}

// Bigger than any surface of the window: the shadow is left out.
bool tooLargeForShadow(const QSize& size) {
    return static_cast<qint64>(size.width()) * size.height() > 4'000'000;
}

}  // namespace

QImage roundedRectShadow(const QSizeF& shapeSize, qreal radius, const ShadowSpec& shadow) {
    if (shapeSize.isEmpty() || shadow.color.alpha() == 0 ||
        tooLargeForShadow(shadowPictureSize(shapeSize, shadow.blur))) {
        return {};
    }
    // The rounded rectangle's silhouette, from its own top-left corner; the shadow adds the
    // margin around it.
    QImage shapeImage(static_cast<int>(std::ceil(shapeSize.width())),
                      static_cast<int>(std::ceil(shapeSize.height())),
                      QImage::Format_ARGB32_Premultiplied);
    shapeImage.fill(Qt::transparent);
    {
        QPainter p(&shapeImage);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawRoundedRect(QRectF(0, 0, shapeSize.width(), shapeSize.height()), radius, radius);
    }
    return silhouetteShadow(shapeImage, shadow.blur, shadow.color);
}

void drawShadowPicture(QPainter& painter, const QRectF& shape, const QImage& picture,
                       const ShadowSpec& shadow) {
    if (picture.isNull() || shape.isEmpty()) return;
    const int margin = silhouetteShadowMargin(shadow.blur);
    const QPointF at = shape.topLeft() - QPointF(margin, margin) + shadow.offset;
    const QSize wanted = shadowPictureSize(shape.size(), shadow.blur);
    if (picture.size() == wanted) {
        painter.drawImage(at, picture);
        return;
    }
    painter.drawImage(QRectF(at, QSizeF(wanted)), picture);
}

void paintShadow(QPainter& painter, const QRectF& shape, qreal radius, const ShadowSpec& shadow) {
    if (shape.isEmpty() || shadow.color.alpha() == 0) return;
    const QSize size = shadowPictureSize(shape.size(), shadow.blur);
    if (tooLargeForShadow(size)) return;

    static QCache<QString, QImage> cache(64 * 1024 * 1024 / 4);
    const QString key = QString("%1x%2 r%3 b%4 c%5")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(radius, 0, 'f', 1)
                            .arg(static_cast<int>(std::ceil(shadow.blur)))
                            .arg(shadow.color.rgba(), 0, 16);
    QImage* img = cache.object(key);
    if (!img) {
        img = new QImage(roundedRectShadow(shape.size(), radius, shadow));
        cache.insert(key, img, size.width() * size.height());
    }
    drawShadowPicture(painter, shape, *img, shadow);
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
