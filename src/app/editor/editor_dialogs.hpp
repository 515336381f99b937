#pragma once
// Everything in the editor that would block on the user: alerts and file panels. The window
// installs the real ones (window/qt_dialogs.hpp); tests inject recorders so nothing modal ever
// runs.

#include <QString>

#include <optional>

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
    // "Choose Background Image": one PNG or JPEG file, or none when cancelled.
    virtual std::optional<QString> chooseBackgroundImage() = 0;
};

}  // namespace kestro
