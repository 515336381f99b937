#include "app/ui/floating_animation.hpp"

#include <QSequentialAnimationGroup>
#include <QVariantAnimation>

namespace kestro {

FloatingAnimation::FloatingAnimation(QObject* parent) : QObject(parent) {}

void FloatingAnimation::start() {
    if (floating_) return;
    floating_ = true;
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
