#pragma once
// Everything in the editor that would block on the user: alerts and file panels. The window
// uses the real ones; tests inject recorders so nothing modal ever runs.

#include <QString>

#include <optional>

class QWidget;

namespace kestro {

class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    // A warning with one "OK" button. The caller does not wait for it.
    virtual void showAlert(const QString& title, const QString& message) = 0;
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // "Select Video File": one movie file, or none when cancelled.
    virtual std::optional<QString> chooseMovie() = 0;
};

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

private:
    QWidget* window_;
};

}  // namespace kestro
