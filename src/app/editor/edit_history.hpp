#pragma once
// The editor's undo and redo: one QUndoStack for every edit that can be taken back (captions,
// titles and the other timeline lanes). Each edit is one command; a drag is pushed once, when
// it ends, so one undo takes back the whole drag.
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
    const QUndoStack& stack() const { return stack_; }
    void undo() { stack_.undo(); }
    void redo() { stack_.redo(); }
    bool canUndo() const { return stack_.canUndo(); }
    bool canRedo() const { return stack_.canRedo(); }
    // Runs the command's redo() and keeps it for undo.
    void push(QUndoCommand* command) { stack_.push(command); }
    // Forgets every edit (a new movie starts a new history).
    void clear() { stack_.clear(); }

private:
    QUndoStack stack_;
};

}  // namespace kestro
