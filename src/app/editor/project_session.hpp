#pragma once
// The project the editor works on: where it is saved, whether it has changes not yet saved, and
// the move between the editor's state and a project (core/project). What the editor does not
// show (the outputs, tracks it has no lanes for, keys from newer versions) is kept from the
// project that was opened and written back on save.
//
// A recovery file is written every 30 seconds while there are unsaved changes, and removed when
// the project is saved or closed cleanly; one found at start means the last run ended without
// either, and the window offers to restore it.
//
// Lives on the interface thread, as the EditorState it watches.

#include "core/project/project.hpp"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

namespace kestro {

class EditorState;

class ProjectSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kRecoveryIntervalMs = 30'000;

    // `recoveryFile`: where the recovery copy goes (the application's data folder in the app,
    // a scratch folder in tests).
    ProjectSession(EditorState& state, QString recoveryFile, QObject* parent = nullptr);

    // The saved file, none for a project never saved.
    const std::optional<QString>& path() const { return path_; }
    bool modified() const { return modified_; }
    // Whether closing would lose work the user should be asked about (and the title shows the
    // unsaved mark): the unsaved changes of a project, of a restored recovery copy, or of a
    // movie opened on its own and then edited. A movie only opened (or edited back to how it
    // arrived) has nothing to lose: its recovery copy still guards it against a crash, but
    // closing it is not asked about.
    bool hasChangesToLose() const;
    // The project's name for the title: the file's name without ".kestro", or "Untitled".
    QString displayName() const;

    // The editor's state as a project (paths absolute).
    Project snapshot() const;

    // Writes the project to `file` (".kestro" added when missing); on success it becomes the
    // project's file and the changes count as saved. The failure says why, for an alert.
    bool saveAs(const QString& file, QString* error = nullptr);
    bool save(QString* error = nullptr);
    // Reads `file` and shows it in the editor; nothing changes on failure.
    bool open(const QString& file, QString* error = nullptr);
    // An empty project: no movie, no file.
    void clear();

    QString recoveryFile() const { return recoveryFile_; }
    bool hasRecovery() const;
    // Shows the recovery copy (as an unsaved project) and removes it.
    bool restoreRecovery(QString* error = nullptr);
    void discardRecovery();
    // Writes the recovery copy now, if there is anything unsaved (the timer calls it).
    void writeRecovery();

signals:
    // The name or the unsaved mark (hasChangesToLose) may have changed.
    void titleChanged();

private:
    void markModified();
    // A movie arrived in the editor; one opened on its own gets its arrival state recorded.
    void movieChanged();
    void recordArrival(int generation);
    void setClean(std::optional<QString> path);
    void apply(const Project& project);

    EditorState& state_;
    QString recoveryFile_;
    std::optional<QString> path_;
    bool modified_ = false;
    // Set while a project is being shown, so its own changes do not count as the user's.
    int applying_ = 0;
    // Whether the project counts as changed once shown: a restored recovery copy is unsaved.
    bool modifiedOnceShown_ = false;
    // What the opened project holds beyond the editor's state.
    Project base_;
    // The next movie to arrive is the one of the project being shown.
    bool projectMovieAwaited_ = false;
    // The movie was opened on its own, not from a project or a recovery copy, and not yet saved.
    bool plainMovie_ = false;
    // Such a movie as it stood once it had arrived with its frame (none until then).
    std::optional<Project> arrived_;
    int arrivals_ = 0;  // counts movies, so a late record of an earlier one is dropped
    QTimer recoveryTimer_;
};

}  // namespace kestro
