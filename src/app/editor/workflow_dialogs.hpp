#pragma once
// The panels the export and recording workflows put in front of the user: save and folder
// panels, the export success alert and the file manager. The window installs the Qt ones; tests
// install scripted ones, so no workflow ever waits on a modal panel under test.

#include <QString>

#include <functional>
#include <optional>

namespace kestro {

class WorkflowDialogs {
public:
    virtual ~WorkflowDialogs() = default;

    // The export's save panel, proposing `proposedName` in the panel's own default folder.
    // None when the user cancels.
    virtual std::optional<QString> chooseExportDestination(const QString& proposedName) = 0;

    // "Export Successful", naming the file the export wrote, with two buttons, "OK" and the
    // reveal button. Does not wait: exactly one of the callbacks runs later, when the user
    // answers.
    virtual void presentExportSuccess(const QString& outputPath, std::function<void()> onOk,
                                      std::function<void()> onReveal) = 0;

    // Shows `path` selected in the platform's file manager.
    virtual void revealFile(const QString& path) = 0;

    // "Choose Save Location": one folder, new folders allowed. None when cancelled.
    virtual std::optional<QString> chooseRecordingsFolder() = 0;

    // The recording's save panel: MPEG-4 only, new folders allowed, opening in `startFolder` when
    // given. None when cancelled.
    virtual std::optional<QString> chooseRecordingFile(const std::optional<QString>& startFolder,
                                                       const QString& proposedName) = 0;
};

// The label of the success alert's second button: the file manager's name where it has one.
QString revealButtonText();

}  // namespace kestro
