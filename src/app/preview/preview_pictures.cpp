#include "app/preview/preview_pictures.hpp"

#include "core/model/screen_mask.hpp"

#include <QPainter>
#include <QPainterPath>

#include <optional>

namespace kestro {

QImage toPremultiplied(const Image& img) {
    if (img.empty()) return {};
    return QImage(img.rgba.data(), img.width, img.height, static_cast<qsizetype>(img.stride()),
                  QImage::Format_RGBA8888)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

PreparedFrame prepareFrame(const Image& image) {
    PreparedFrame prepared;
    prepared.full = toPremultiplied(image);
    if (const std::optional<Image> mask = screenOpeningMask(image))
        prepared.mask = toPremultiplied(*mask);
    return prepared;
}

Caches buildCaches(const CacheInputs& in) {
    Caches out;
    if (!in.frameFull.isNull()) {
        out.frame = in.frameFull.scaled(in.px, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        out.frame.setDevicePixelRatio(in.dpr);
        // The opening mask: the frame's see-through pixels, and nothing outside P.
        if (!in.maskFull.isNull()) {
            out.mask = QImage(in.px, QImage::Format_ARGB32_Premultiplied);
            out.mask.fill(Qt::transparent);
            QPainter p(&out.mask);
            p.setClipRect(in.playerPx);
            p.drawImage(0, 0,
                        in.maskFull.scaled(in.px, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
    }

    // Everything that cuts the video, in one alpha image, so a repaint composites once instead
    // of rasterising rounded clip paths for every picture. Like the export, the video shows
    // inside P's rounded corners wherever it is placed; the clip does not move with it.
    out.clip = QImage(in.px, QImage::Format_ARGB32_Premultiplied);
    out.clip.setDevicePixelRatio(in.dpr);
    out.clip.fill(Qt::transparent);
    QPainter p(&out.clip);
    p.setRenderHint(QPainter::Antialiasing);
    if (in.hasFrame && !out.mask.isNull()) {
        p.drawImage(in.frameLocal, out.mask);
    } else if (in.hasFrame) {
        p.fillRect(in.frameLocal, Qt::black);  // no mask could be made: the video shows in P
    } else {
        QPainterPath container;
        container.addRoundedRect(in.frameLocal, in.containerRadius, in.containerRadius);
        p.fillPath(container, Qt::black);
    }
    QPainterPath rounded;
    rounded.addRoundedRect(in.playerInFrame, in.playerRadius, in.playerRadius);
    QImage roundedMask(in.px, QImage::Format_ARGB32_Premultiplied);
    roundedMask.setDevicePixelRatio(in.dpr);
    roundedMask.fill(Qt::transparent);
    {
        QPainter rp(&roundedMask);
        rp.setRenderHint(QPainter::Antialiasing);
        rp.fillPath(rounded, Qt::black);
    }
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    p.drawImage(in.frameLocal, roundedMask);
    return out;
}

ShadowSpec stageGlow() {
    QColor glow = QColor::fromRgbF(0.988f, 0.639f, 0.067f);
    glow.setAlphaF(0.2f);
    return {glow, 12, QPointF(0, 6)};
}

ShadowSpec stageShade() {
    return {QColor(0, 0, 0, 13), 4, QPointF(0, 2)};
}

StagePictures paintStage(StageInputs in) {
    StagePictures out;
    in.setup.backgroundImage = in.backgroundImage.get();
    in.setup.frame = in.frame.get();
    QImage painted = toPremultiplied(renderBackdrop(in.setup));
    // The canvas's rounded corners, smoothed once here rather than clipped per paint.
    // (An image covering everything: a composition only reaches the pixels drawn.)
    QImage rounded(painted.size(), QImage::Format_ARGB32_Premultiplied);
    rounded.fill(Qt::transparent);
    {
        QPainter shape(&rounded);
        shape.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        const qreal r = kStageCornerRadius * in.dpr;
        path.addRoundedRect(QRectF(rounded.rect()), r, r);
        shape.fillPath(path, Qt::black);
    }
    {
        QPainter corners(&painted);
        corners.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        corners.drawImage(0, 0, rounded);
    }
    painted.setDevicePixelRatio(in.dpr);
    out.backdrop = std::move(painted);
    // The card's shadows are blurred pictures as large as the canvas: a new canvas size would
    // otherwise blur them again on the interface thread, in the middle of a paint.
    if (!in.shadowsFor.isEmpty()) {
        out.shadowsFor = in.shadowsFor;
        out.glow = roundedRectShadow(in.shadowsFor, kStageCornerRadius, stageGlow());
        out.shade = roundedRectShadow(in.shadowsFor, kStageCornerRadius, stageShade());
    }
    return out;
}

}  // namespace kestro
