#pragma once
// "Record iOS Simulator": the availability warning, the recording status, the device picker
// with its refresh button, the recordings folder, Start/Stop and Reset, and the path of the
// last recording.

#include "app/ui/section_card.hpp"

class QLabel;

namespace kestro {

class EditorState;
class ElidedLabel;
class MenuPicker;
class ModernButton;
class RecordingWorkflow;
class StatusIndicator;
class SymbolButton;
class WarningBanner;

class RecordingSection : public SectionCard {
    Q_OBJECT
public:
    RecordingSection(EditorState& state, RecordingWorkflow& workflow, QWidget* parent = nullptr);

    WarningBanner* banner() const { return banner_; }
    StatusIndicator* status() const { return status_; }
    MenuPicker* devicePicker() const { return devices_; }
    SymbolButton* refreshButton() const { return refresh_; }
    // The chosen folder's name (shown only while one is chosen) and its parent in parentheses,
    // or the default folder in parentheses.
    ElidedLabel* folderName() const { return folderName_; }
    ElidedLabel* folderDetail() const { return folderDetail_; }
    ModernButton* chooseFolderButton() const { return chooseFolder_; }
    ModernButton* resetFolderButton() const { return resetFolder_; }
    ModernButton* startButton() const { return start_; }
    ModernButton* stopButton() const { return stop_; }
    ModernButton* resetButton() const { return reset_; }
    // The divider and the recorded file's path, shown while there is a recording.
    QWidget* recordingRow() const { return recordingRow_; }
    ElidedLabel* recordingPathLabel() const { return recordingPath_; }

    static QString noDeviceText() { return QStringLiteral("No simulator running"); }

private:
    void syncAvailability();
    void syncDevices();
    void syncFolder();
    void syncControls();
    void syncRecordingPath();

    EditorState& state_;
    RecordingWorkflow& workflow_;
    WarningBanner* banner_;
    StatusIndicator* status_;
    MenuPicker* devices_;
    SymbolButton* refresh_;
    ElidedLabel* folderName_;
    ElidedLabel* folderDetail_;
    ModernButton* chooseFolder_;
    ModernButton* resetFolder_;
    ModernButton* start_;
    ModernButton* stop_;
    ModernButton* reset_;
    QWidget* recordingRow_;
    ElidedLabel* recordingPath_;
};

}  // namespace kestro
