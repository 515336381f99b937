#pragma once
// "Record Device": the availability hints, the recording status, the device picker (booted
// simulators and Android devices, each marked with its kind) with its refresh button, the
// recordings folder, the "Clean status bar" and "Phone's touch dots" switches, Start/Stop and Reset,
// and the path of the last recording. While discovery finds no capture tool at all, the card
// is compact instead: its title, what to install, and a button to look again.

#include "app/ui/section_card.hpp"

class QCheckBox;
class QLabel;

namespace kestro {

class ElidedLabel;
class MenuPicker;
class ModernButton;
class RecordingWorkflow;
class StatusIndicator;
struct RecordingDevice;
class SymbolButton;
class WarningBanner;

class RecordingSection : public SectionCard {
    Q_OBJECT
public:
    explicit RecordingSection(RecordingWorkflow& workflow, QWidget* parent = nullptr);

    // The compact form is shown (no capture tool found); else the full card.
    bool isCompact() const;
    QLabel* installHintLabel() const { return installHint_; }
    SymbolButton* compactRefreshButton() const { return compactRefresh_; }

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
    WarningBanner* failureBanner() const { return failure_; }
    QCheckBox* cleanStatusBarBox() const { return cleanStatusBar_; }
    QCheckBox* showTouchesBox() const { return showTouches_; }

    static QString noDeviceText() { return QStringLiteral("No device found"); }
    // "Pixel 8 Pro — Android", "iPhone 15 — Simulator", "R58M — Android, unauthorized".
    static QString deviceTitle(const RecordingDevice& device);

private:
    void syncAvailability();
    void syncDevices();
    void syncOptions();
    void syncFolder();
    void syncControls();
    void syncRecordingPath();

    RecordingWorkflow& workflow_;
    QWidget* compact_;
    QLabel* installHint_;
    SymbolButton* compactRefresh_;
    QWidget* full_;
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
    WarningBanner* failure_;
    QCheckBox* cleanStatusBar_;
    QCheckBox* showTouches_;
};

}  // namespace kestro
