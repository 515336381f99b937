#include "app/ui/focus_ring.hpp"

#include "app/ui/palette.hpp"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>
#include <QWidget>

namespace kestro {
namespace {

// Remembers whether the latest focus change came from the keyboard. Installed on the
// application the first time a control asks, which is before any control can have the focus
// (controls ask while painting).
class FocusReasonTracker : public QObject {
public:
    static FocusReasonTracker& instance() {
        static auto* tracker = [] {
            auto* t = new FocusReasonTracker(QCoreApplication::instance());
            QCoreApplication::instance()->installEventFilter(t);
            return t;
        }();
        return *tracker;
    }
    bool byKeyboard() const { return byKeyboard_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            switch (static_cast<QFocusEvent*>(event)->reason()) {
                case Qt::TabFocusReason:
                case Qt::BacktabFocusReason:
                case Qt::ShortcutFocusReason:
                    byKeyboard_ = true;
                    break;
                case Qt::MouseFocusReason:
                case Qt::OtherFocusReason:
                case Qt::PopupFocusReason:
                case Qt::MenuBarFocusReason:
                    byKeyboard_ = false;
                    break;
                // The window coming back to the front keeps the focus as it was shown.
                case Qt::ActiveWindowFocusReason:
                case Qt::NoFocusReason:
                    break;
            }
        }
        return false;
    }

private:
    using QObject::QObject;
    bool byKeyboard_ = false;
};

}  // namespace

void trackFocusReasons() {
    if (QCoreApplication::instance()) FocusReasonTracker::instance();
}

bool showsFocusRing(const QWidget& widget) {
    if (!QCoreApplication::instance() || !widget.hasFocus()) return false;
    return FocusReasonTracker::instance().byKeyboard();
}

void paintFocusRing(QPainter& painter, const QRectF& shape, qreal radius, bool ellipse) {
    painter.save();
    painter.setOpacity(1.0);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Palette::current().systemBlue, 2));
    painter.setBrush(Qt::NoBrush);
    const QRectF r = shape.adjusted(-1.5, -1.5, 1.5, 1.5);
    if (ellipse)
        painter.drawEllipse(r);
    else
        painter.drawRoundedRect(r, radius + 1.5, radius + 1.5);
    painter.restore();
}

}  // namespace kestro
