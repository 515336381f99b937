#pragma once
// The editor's undo history: one QUndoStack for the session's edits that can be taken back.
// The main window's Edit > Undo and Redo act on it.
//
// Threads: the interface thread, as the EditorState that owns it.

#include <QObject>
#include <QUndoStack>

namespace kestro {

class EditHistory : public QObject {
    Q_OBJECT
public:
    explicit EditHistory(QObject* parent = nullptr);

    QUndoStack& stack() { return stack_; }
    // Runs the command's redo() and keeps it for undo.
    void push(QUndoCommand* command) { stack_.push(command); }
    // A new movie starts a new history: edits of the last one cannot be taken back into it.
    void clear() { stack_.clear(); }

private:
    QUndoStack stack_;
};

}  // namespace kestro
