#include "app/editor/workflow_dialogs.hpp"

#include "app/editor/file_revealer.hpp"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace kestro {

QString revealButtonText() {
#ifdef Q_OS_MACOS
    return QStringLiteral("Show in Finder");
#else
    return QStringLiteral("Show in Folder");
#endif
}

std::optional<QString> QtWorkflowDialogs::chooseExportDestination(const QString& proposedName) {
    // Only the name is proposed: the panel keeps its own default folder and asks before
    // replacing a file, as save panels do.
    QFileDialog dialog(window_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

void QtWorkflowDialogs::presentExportSuccess(const QString& message, std::function<void()> onOk,
                                             std::function<void()> onReveal) {
    auto* box = new QMessageBox(window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Information);
    box->setWindowTitle(QStringLiteral("Export Successful"));
    box->setText(QStringLiteral("Export Successful"));
    box->setInformativeText(message);
    QPushButton* ok = box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton* reveal = box->addButton(revealButtonText(), QMessageBox::ActionRole);
    box->setDefaultButton(ok);
    // Closing the alert any other way (Escape, the title bar) counts as "OK".
    auto answered = std::make_shared<bool>(false);
    QObject::connect(box, &QMessageBox::buttonClicked, box,
                     [reveal, onOk, onReveal, answered](QAbstractButton* button) {
                         *answered = true;
                         if (button == reveal) {
                             if (onReveal) onReveal();
                         } else if (onOk) {
                             onOk();
                         }
                     });
    QObject::connect(box, &QObject::destroyed, [onOk, answered] {
        if (!*answered && onOk) onOk();
    });
    box->open();
}

void QtWorkflowDialogs::revealFile(const QString& path) {
    revealInFileManager(path);
}

std::optional<QString> QtWorkflowDialogs::chooseRecordingsFolder() {
    QFileDialog dialog(window_, QStringLiteral("Select a folder where recordings will be saved"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Choose Save Location"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> QtWorkflowDialogs::chooseRecordingFile(
    const std::optional<QString>& startFolder, const QString& proposedName) {
    QFileDialog dialog(window_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("MPEG-4 movie (*.mp4)"));
    dialog.setDefaultSuffix(QStringLiteral("mp4"));
    if (startFolder) dialog.setDirectory(*startFolder);
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

}  // namespace kestro
