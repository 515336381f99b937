#pragma once
// A gentle bob: the decorated content sits 2 points below its place at rest and floats to
// 2 points above it and back, easing in and out over 2 seconds each way, for as long as it is
// shown. Painted widgets read offset() and shift what they draw.

#include <QObject>

class QSequentialAnimationGroup;

namespace kestro {

class FloatingAnimation : public QObject {
    Q_OBJECT
public:
    explicit FloatingAnimation(QObject* parent = nullptr);

    // Vertical offset in points, positive downwards: +2 at rest, -2 at the top of the stroke.
    qreal offset() const { return offset_; }
    // Whether the bob is running (started and not paused).
    bool isFloating() const;
    // Called whenever the decorated content is shown: the first call starts the bob, a call
    // after pause() resumes it where it stopped; otherwise nothing changes.
    void start();
    // Called when the content is hidden: nothing to see, so no frames are spent on it.
    void pause();

    static constexpr qreal kAmplitude = 2.0;
    static constexpr int kStrokeMs = 2000;

signals:
    void offsetChanged(qreal offset);

private:
    qreal offset_ = kAmplitude;
    QSequentialAnimationGroup* group_ = nullptr;
};

}  // namespace kestro
