#include "app/editor/edit_history.hpp"

namespace kestro {

EditHistory::EditHistory(QObject* parent) : QObject(parent) {
    // Enough to take back a long session of caption work without holding on to every step.
    stack_.setUndoLimit(200);
}

}  // namespace kestro
