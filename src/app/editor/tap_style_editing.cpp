#include "app/editor/tap_style_editing.hpp"

#include "app/editor/edit_history.hpp"
#include "app/editor/editor_state.hpp"

#include <QUndoCommand>

#include <algorithm>

namespace kestro {

namespace {

// Above the ids of the other mergeable edits, one per property.
constexpr int kTapStyleEditId = 0x7A90;

QString editName(TapStyleProperty changed) {
    switch (changed) {
        case TapStyleProperty::shown:
            return QStringLiteral("Show Taps");
        case TapStyleProperty::size:
            return QStringLiteral("Tap Size");
        case TapStyleProperty::colour:
            return QStringLiteral("Tap Colour");
        case TapStyleProperty::opacity:
            return QStringLiteral("Tap Opacity");
    }
    return QStringLiteral("Tap Style");
}

class TapStyleCommand : public QUndoCommand {
public:
    TapStyleCommand(EditorState& state, TapStyle before, TapStyle after, TapStyleProperty changed)
        : QUndoCommand(editName(changed)),
          state_(state),
          before_(before),
          after_(after),
          changed_(changed) {}
    void redo() override { state_.setTapStyle(after_); }
    void undo() override { state_.setTapStyle(before_); }
    // Turning the taps on and off stays one edit per click.
    int id() const override {
        return changed_ == TapStyleProperty::shown ? -1 : kTapStyleEditId + int(changed_);
    }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = dynamic_cast<const TapStyleCommand*>(other);
        if (!next || next->changed_ != changed_) return false;
        after_ = next->after_;
        // Dragged back to where it started: nothing is left to undo.
        if (after_ == before_) setObsolete(true);
        return true;
    }

private:
    EditorState& state_;
    TapStyle before_;
    TapStyle after_;
    TapStyleProperty changed_;
};

}  // namespace

void editTapStyle(EditorState& state, TapStyle style, TapStyleProperty changed) {
    style.sizePercent = std::clamp(style.sizePercent, kMinTapSizePercent, kMaxTapSizePercent);
    style.opacity = std::clamp(style.opacity, 0.0, 1.0);
    if (style == state.tapStyle()) return;
    state.history().push(new TapStyleCommand(state, state.tapStyle(), style, changed));
}

}  // namespace kestro
