#include "app/editor/editor_dialogs.hpp"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace kestro {

void MessageBoxAlertPresenter::showAlert(const QString& title, const QString& message) {
    QPointer<QWidget> parent = window_;
    // Posted, so the alert appears after the operation that raised it has returned.
    QTimer::singleShot(0, [parent, title, message] {
        QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::Ok, parent.data());
        box.setInformativeText(QString());
        box.setText(title);
        box.setInformativeText(message);
        box.exec();
    });
}

std::optional<QString> QtFileDialogs::chooseMovie() {
    QFileDialog dialog(window_, QStringLiteral("Select Video File"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Choose a video file to import"));
    dialog.setNameFilters({QStringLiteral("Movies (*.mp4 *.m4v *.mov *.qt *.avi *.mkv *.webm)"),
                           QStringLiteral("All files (*)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

}  // namespace kestro
