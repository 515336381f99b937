#pragma once
// The editor's undo history: one QUndoStack for every edit of the tracks, so Edit > Undo and
// Redo step back through them in the order they were made, whichever lane made them. Owned by
// the EditorState; lives and is used on the interface thread.

#include <QObject>
#include <QUndoStack>

namespace kestro {

class EditHistory : public QObject {
    Q_OBJECT
public:
    explicit EditHistory(QObject* parent = nullptr) : QObject(parent), stack_(this) {}

    QUndoStack& stack() { return stack_; }
    // Forgets every step: a new recording starts a new history.
    void clear() { stack_.clear(); }

private:
    QUndoStack stack_;
};

}  // namespace kestro
