#pragma once
// The window's side of projects: File > New, Open…, Save and Save As…, the title with the
// project's name and its unsaved mark, the question before unsaved changes are dropped, and the
// offer to restore the recovery copy after a crash. The questions and panels are functions, so
// tests answer them without anything modal.

#include "app/editor/project_session.hpp"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QMenu;
class QWidget;

namespace kestro {

class EditorState;
class RecentFiles;

class ProjectCommands : public QObject {
    Q_OBJECT
public:
    enum class UnsavedChoice { save, discard, cancel };
    struct Prompts {
        std::function<std::optional<QString>()> chooseOpenFile;     // a movie or a project
        std::function<std::optional<QString>(const QString& suggested)> chooseSaveFile;
        std::function<UnsavedChoice(const QString& name)> askUnsaved;
        std::function<bool()> askRestore;
        std::function<void(const QString& title, const QString& message)> showError;
    };

    ProjectCommands(QWidget* window, EditorState& state, RecentFiles& recent, QString recoveryFile);

    // Adds New, Save and Save As to `file`, after its first (Open) item.
    void addActions(QMenu* file);
    void setPrompts(Prompts prompts) { prompts_ = std::move(prompts); }
    ProjectSession& session() { return session_; }

    // Ctrl+O: asks for a file, then opens it as a project or a movie by its name.
    void openChosen();
    void openPath(const QString& path);
    void newProject();
    bool save();
    bool saveAs();
    // Whether the window may close (or the project be replaced): asks when there are unsaved
    // changes, and saves when told to.
    bool confirmDiscard();
    // The window closed after confirmDiscard(): the recovery copy is not needed.
    void closed();
    // At start: a recovery copy left by a run that crashed is offered back.
    void offerRecovery();

    // The window title: "NAME[*] — Kestro"; QWidget shows [*] as the unsaved mark.
    static QString titleFor(const QString& name) { return name + QStringLiteral("[*] — Kestro"); }

private:
    void updateTitle();

    QWidget* window_;
    EditorState& state_;
    RecentFiles& recent_;
    ProjectSession session_;
    Prompts prompts_;
};

}  // namespace kestro
