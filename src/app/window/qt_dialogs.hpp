#pragma once
// The real panels and alerts behind the editor's dialog interfaces: Qt message boxes and file
// dialogs, parented to the window when one is given.

#include "app/editor/editor_dialogs.hpp"
#include "app/editor/workflow_dialogs.hpp"

class QWidget;

namespace kestro {

// Message boxes posted to the event loop, parented to `window` when it is given.
class MessageBoxAlertPresenter : public AlertPresenter {
public:
    explicit MessageBoxAlertPresenter(QWidget* window = nullptr) : window_(window) {}
    void showAlert(const QString& title, const QString& message) override;

private:
    QWidget* window_;
};

class QtFileDialogs : public FileDialogs {
public:
    explicit QtFileDialogs(QWidget* window = nullptr) : window_(window) {}
    std::optional<QString> chooseMovie() override;
    std::optional<QString> chooseBackgroundImage() override;

private:
    QWidget* window_;
};

class QtWorkflowDialogs : public WorkflowDialogs {
public:
    explicit QtWorkflowDialogs(QWidget* window = nullptr) : window_(window) {}

    std::optional<QString> chooseExportDestination(const QString& proposedName) override;
    void presentExportSuccess(const QString& outputPath, std::function<void()> onOk,
                              std::function<void()> onReveal) override;
    void revealFile(const QString& path) override;
    std::optional<QString> chooseRecordingsFolder() override;
    std::optional<QString> chooseRecordingFile(const std::optional<QString>& startFolder,
                                               const QString& proposedName) override;

private:
    QWidget* window_;
};

}  // namespace kestro
