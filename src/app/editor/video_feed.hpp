#pragma once
// What the preview needs from a playing movie: the current picture, a ping when it changes,
// and a way to say how large it is drawn.

#include <QImage>
#include <QObject>
#include <QSize>

namespace kestro {

class VideoFeed : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual QImage currentFrame() const = 0;
    // Upright size of the movie's picture.
    virtual QSize videoSize() const = 0;
    virtual void setTargetSize(QSize size) = 0;

signals:
    void frameReady();
};

}  // namespace kestro
