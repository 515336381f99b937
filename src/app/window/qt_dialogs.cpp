#include "app/window/qt_dialogs.hpp"

#include "app/editor/file_revealer.hpp"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace kestro {

void MessageBoxAlertPresenter::showAlert(const QString& title, const QString& message) {
    QPointer<QWidget> parent = window_;
    // Posted, so the alert appears after the operation that raised it has returned.
    QTimer::singleShot(0, [parent, title, message] {
        QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::Ok, parent.data());
        box.setText(title);
        box.setInformativeText(message);
        box.exec();
    });
}

std::optional<QString> QtFileDialogs::chooseMovie() {
    QFileDialog dialog(window_, QStringLiteral("Select Video File"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own dialog, so the message can sit under the file list as a line of its own.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        auto* message = new QLabel(QStringLiteral("Choose a video file to import"), &dialog);
        grid->addWidget(message, grid->rowCount(), 0, 1, grid->columnCount());
    }
    dialog.setNameFilters({QStringLiteral("Movies (*.mp4 *.m4v *.mov *.qt *.avi *.mkv *.webm)"),
                           QStringLiteral("All files (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

std::optional<QString> QtFileDialogs::chooseBackgroundImage() {
    const QString file =
        QFileDialog::getOpenFileName(window_, QStringLiteral("Choose Background Image"), QString(),
                                     QStringLiteral("Images (*.png *.jpg *.jpeg);;All files (*)"));
    if (file.isEmpty()) return std::nullopt;
    return file;
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

void QtWorkflowDialogs::presentExportSuccess(const QString& outputPath, std::function<void()> onOk,
                                             std::function<void()> onReveal) {
    auto* box = new QMessageBox(window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIcon(QMessageBox::Information);
    box->setWindowTitle(QStringLiteral("Export Successful"));
    box->setText(QStringLiteral("Export Successful"));
    box->setInformativeText(QStringLiteral("Video saved to:\n") + outputPath);
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
