#include "app/ui/shadow.hpp"

#include <QCache>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestro {
namespace {

// Three passes of a box blur approximate a Gaussian closely enough for a shadow.
void boxBlurAlpha(QImage& img, int radius) {
    if (radius < 1) return;
    const int w = img.width();
    const int h = img.height();
    std::vector<int> line(static_cast<std::size_t>(std::max(w, h)));
    auto alphaAt = [&](int x, int y) -> uchar& { return img.scanLine(y)[x * 4 + 3]; };
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            int sum = 0;
            for (int x = -radius; x <= radius; ++x) sum += alphaAt(std::clamp(x, 0, w - 1), y);
            for (int x = 0; x < w; ++x) {
                line[x] = sum / (2 * radius + 1);
                sum += alphaAt(std::min(x + radius + 1, w - 1), y);
                sum -= alphaAt(std::max(x - radius, 0), y);
            }
            for (int x = 0; x < w; ++x) alphaAt(x, y) = static_cast<uchar>(line[x]);
        }
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int y = -radius; y <= radius; ++y) sum += alphaAt(x, std::clamp(y, 0, h - 1));
            for (int y = 0; y < h; ++y) {
                line[y] = sum / (2 * radius + 1);
                sum += alphaAt(x, std::min(y + radius + 1, h - 1));
                sum -= alphaAt(x, std::max(y - radius, 0));
            }
            for (int y = 0; y < h; ++y) alphaAt(x, y) = static_cast<uchar>(line[y]);
        }
    }
}

}  // namespace

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

int silhouetteShadowMargin(qreal blur) { return static_cast<int>(std::ceil(blur)) * 2 + 2; }

QImage silhouetteShadow(const QImage& source, qreal blur, const QColor& color) {
    if (source.isNull()) return {};
    const int margin = silhouetteShadowMargin(blur);
    QImage out(source.width() + margin * 2, source.height() + margin * 2, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    {
        QPainter p(&out);
        p.drawImage(margin, margin, source);
    }
    boxBlurAlpha(out, std::max(1, static_cast<int>(std::ceil(blur)) / 2));
    for (int y = 0; y < out.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            row[x] = qRgba(color.red(), color.green(), color.blue(), qAlpha(row[x]) * color.alpha() / 255);
    }
    return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace kestro
