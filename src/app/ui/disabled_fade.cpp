#include "app/ui/disabled_fade.hpp"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QWidget>

namespace kestro {

namespace {

// Lives as a child of the widget it watches; follows its enabled state.
class DisabledFade : public QObject {
public:
    explicit DisabledFade(QWidget* widget) : QObject(widget), widget_(widget) {
        widget->installEventFilter(this);
        apply();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == widget_ && event->type() == QEvent::EnabledChange) apply();
        return false;
    }

private:
    void apply() {
        const bool faded = widget_->graphicsEffect() != nullptr;
        if (widget_->isEnabled() == !faded) return;
        if (widget_->isEnabled()) {
            widget_->setGraphicsEffect(nullptr);
            return;
        }
        auto* effect = new QGraphicsOpacityEffect(widget_);
        effect->setOpacity(kDisabledOpacity);
        widget_->setGraphicsEffect(effect);
    }

    QWidget* widget_;
};

}  // namespace

void fadeWhileDisabled(QWidget* widget) {
    new DisabledFade(widget);
}

}  // namespace kestro
