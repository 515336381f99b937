#include "app/ui/floating_animation.hpp"

#include <QSequentialAnimationGroup>
#include <QVariantAnimation>

namespace kestro {

FloatingAnimation::FloatingAnimation(QObject* parent) : QObject(parent) {}

bool FloatingAnimation::isFloating() const {
    return group_ && group_->state() == QAbstractAnimation::Running;
}

void FloatingAnimation::pause() {
    if (isFloating()) group_->pause();
}

void FloatingAnimation::start() {
    if (group_) {
        if (group_->state() == QAbstractAnimation::Paused) group_->resume();
        return;
    }
    group_ = new QSequentialAnimationGroup(this);
    // Up then down, repeated for ever: the same as one animation reversing on each repetition.
    for (const auto& [from, to] : {std::pair{kAmplitude, -kAmplitude}, {-kAmplitude, kAmplitude}}) {
        auto* a = new QVariantAnimation(group_);
        a->setStartValue(from);
        a->setEndValue(to);
        a->setDuration(kStrokeMs);
        a->setEasingCurve(QEasingCurve::InOutSine);
        connect(a, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
            offset_ = v.toReal();
            emit offsetChanged(offset_);
        });
        group_->addAnimation(a);
    }
    group_->setLoopCount(-1);
    group_->start();
}

}  // namespace kestro
