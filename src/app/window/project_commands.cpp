#include "app/window/project_commands.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/recent_files.hpp"
#include "core/project/project.hpp"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

namespace kestro {

namespace {

bool isProjectFile(const QString& path) {
    return path.endsWith(QLatin1String(kProjectExtension), Qt::CaseInsensitive);
}

ProjectCommands::Prompts qtPrompts(QWidget* window) {
    ProjectCommands::Prompts p;
    p.chooseOpenFile = [window]() -> std::optional<QString> {
        const QString file = QFileDialog::getOpenFileName(
            window, QStringLiteral("Open"), QString(),
            QStringLiteral("Movies and projects (*.kestro *.mp4 *.m4v *.mov *.qt *.avi *.mkv *.webm);;All files (*)"));
        return file.isEmpty() ? std::nullopt : std::optional<QString>(file);
    };
    p.chooseSaveFile = [window](const QString& suggested) -> std::optional<QString> {
        const QString file = QFileDialog::getSaveFileName(window, QStringLiteral("Save Project"), suggested,
                                                          QStringLiteral("Kestro projects (*.kestro)"));
        return file.isEmpty() ? std::nullopt : std::optional<QString>(file);
    };
    p.askUnsaved = [window](const QString& name) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Unsaved Changes"),
                        QStringLiteral("Save the changes to \"%1\"?").arg(name),
                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, window);
        box.setInformativeText(QStringLiteral("Your changes are lost if you don't save them."));
        box.setDefaultButton(QMessageBox::Save);
        switch (box.exec()) {
            case QMessageBox::Save: return ProjectCommands::UnsavedChoice::save;
            case QMessageBox::Discard: return ProjectCommands::UnsavedChoice::discard;
            default: return ProjectCommands::UnsavedChoice::cancel;
        }
    };
    p.askRestore = [window] {
        return QMessageBox::question(window, QStringLiteral("Restore Project"),
                                     QStringLiteral("Kestro did not quit properly last time. Restore the "
                                                    "unsaved changes it kept?"),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
    };
    p.showError = [window](const QString& title, const QString& message) {
        QMessageBox::warning(window, title, message);
    };
    return p;
}

}  // namespace

ProjectCommands::ProjectCommands(QWidget* window, EditorState& state, RecentFiles& recent, QString recoveryFile)
    : QObject(window), window_(window), state_(state), recent_(recent), session_(state, std::move(recoveryFile)),
      prompts_(qtPrompts(window)) {
    connect(&session_, &ProjectSession::titleChanged, this, &ProjectCommands::updateTitle);
    updateTitle();
}

void ProjectCommands::addActions(QMenu* file) {
    auto add = [this, file](const char* name, const QString& text, const QKeySequence& keys, auto run,
                            QAction* before) {
        auto* action = new QAction(text, file);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setMenuRole(QAction::NoRole);
        // Queued, so the menu has closed before a panel opens.
        connect(action, &QAction::triggered, this, [this, run] { QTimer::singleShot(0, this, run); });
        file->insertAction(before, action);
        return action;
    };
    const QList<QAction*> items = file->actions();
    QAction* first = items.isEmpty() ? nullptr : items.front();
    QAction* afterOpen = items.size() > 2 ? items[2] : nullptr;  // after Open and Open Recent
    add("newProjectAction", QStringLiteral("&New Project"), QKeySequence::New, [this] { newProject(); }, first);
    // Saving is a group of its own, under the ways of opening.
    file->insertSeparator(afterOpen);
    add("saveProjectAction", QStringLiteral("&Save Project"), QKeySequence::Save, [this] { save(); }, afterOpen);
    add("saveProjectAsAction", QStringLiteral("Save Project &As…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
        [this] { saveAs(); }, afterOpen);
}

void ProjectCommands::openChosen() {
    if (!prompts_.chooseOpenFile) return;
    if (const auto chosen = prompts_.chooseOpenFile()) openPath(*chosen);
}

void ProjectCommands::openPath(const QString& path) {
    if (!isProjectFile(path)) {
        state_.playback().loadVideo(path);
        return;
    }
    if (!confirmDiscard()) return;
    QString error;
    if (!session_.open(path, &error)) {
        if (prompts_.showError) prompts_.showError(QStringLiteral("The Project Cannot Be Opened"), error);
        return;
    }
    recent_.add(QFileInfo(path).absoluteFilePath());
}

void ProjectCommands::newProject() {
    if (!confirmDiscard()) return;
    session_.clear();
}

bool ProjectCommands::save() {
    if (!session_.path()) return saveAs();
    QString error;
    if (!session_.save(&error)) {
        if (prompts_.showError) prompts_.showError(QStringLiteral("The Project Was Not Saved"), error);
        return false;
    }
    return true;
}

bool ProjectCommands::saveAs() {
    if (!prompts_.chooseSaveFile) return false;
    QString suggested = session_.path().value_or(QString());
    if (suggested.isEmpty() && state_.playback().videoPath()) {
        const QFileInfo movie(*state_.playback().videoPath());
        suggested = movie.absoluteDir().filePath(movie.completeBaseName() + QLatin1String(kProjectExtension));
    }
    const auto chosen = prompts_.chooseSaveFile(suggested);
    if (!chosen) return false;
    QString error;
    if (!session_.saveAs(*chosen, &error)) {
        if (prompts_.showError) prompts_.showError(QStringLiteral("The Project Was Not Saved"), error);
        return false;
    }
    recent_.add(*session_.path());
    return true;
}

bool ProjectCommands::confirmDiscard() {
    if (!session_.hasChangesToLose()) return true;
    const UnsavedChoice choice =
        prompts_.askUnsaved ? prompts_.askUnsaved(session_.displayName()) : UnsavedChoice::discard;
    if (choice == UnsavedChoice::cancel) return false;
    if (choice == UnsavedChoice::save) return save();
    return true;
}

void ProjectCommands::closed() { session_.discardRecovery(); }

void ProjectCommands::offerRecovery() {
    if (!session_.hasRecovery()) return;
    if (prompts_.askRestore && !prompts_.askRestore()) {
        session_.discardRecovery();
        return;
    }
    QString error;
    if (!session_.restoreRecovery(&error) && prompts_.showError) {
        prompts_.showError(QStringLiteral("The Project Cannot Be Restored"), error);
    }
}

void ProjectCommands::updateTitle() {
    window_->setWindowTitle(titleFor(session_.displayName()));
    window_->setWindowModified(session_.hasChangesToLose());
}

}  // namespace kestro
