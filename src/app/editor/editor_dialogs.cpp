#include "app/editor/editor_dialogs.hpp"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

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

}  // namespace kestro
