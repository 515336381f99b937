#pragma once
// The editing session's undo history: one QUndoStack that every undoable edit goes through,
// whatever part of the state it changes, so Edit > Undo always takes back the latest edit.
//
// Threads: the interface thread only.

#include <QObject>
#include <QUndoStack>

namespace kestro {

class EditHistory : public QObject {
    Q_OBJECT
public:
    explicit EditHistory(QObject* parent = nullptr);

    QUndoStack& stack() { return stack_; }
    void undo() { stack_.undo(); }
    void redo() { stack_.redo(); }
    bool canUndo() const { return stack_.canUndo(); }
    bool canRedo() const { return stack_.canRedo(); }
    // A new movie starts a new history: edits of the last one cannot be taken back into it.
    void clear() { stack_.clear(); }

private:
    QUndoStack stack_;
};

}  // namespace kestro
