#include "app/sections/recording_section.hpp"

#include "app/editor/recording_workflow.hpp"
#include "app/ui/disabled_fade.hpp"
#include "app/ui/elided_label.hpp"
#include "app/ui/labeled_control.hpp"
#include "app/ui/menu_picker.hpp"
#include "app/ui/modern_button.hpp"
#include "app/ui/palette.hpp"
#include "app/ui/status_indicator.hpp"
#include "app/ui/symbol.hpp"
#include "app/ui/symbol_button.hpp"
#include "app/ui/warning_banner.hpp"

#include <QActionGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace kestro {
namespace {

// A hairline across the card.
class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), Palette::current().hairline);
    }
};

class SymbolView : public QWidget {
public:
    SymbolView(const QString& symbol, int side, QWidget* parent)
        : QWidget(parent), symbol_(symbol) {
        setFixedSize(side, side);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        paintSymbol(p, symbol_, QRectF(rect()), Palette::current().iconTint);
    }

private:
    QString symbol_;
};

QFont monospacedBody() {
    QFont font = textFont(TextStyle::body, QFont::Medium);
    font.setStyleHint(QFont::Monospace);
    font.setFamilies({QStringLiteral("JetBrains Mono"), QStringLiteral("SF Mono"),
                      QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")});
    return font;
}

}  // namespace

RecordingSection::RecordingSection(RecordingWorkflow& workflow, QWidget* parent)
    : SectionCard(QStringLiteral("record.circle.fill"), QStringLiteral("Record Device"), parent),
      workflow_(workflow) {
    using Style = ModernButtonStyle;

    // Without any capture tool the card is only its title and what to install, so it does not
    // push the export card down for something that cannot be used yet.
    compact_ = new QWidget(this);
    auto* compactLayout = new QHBoxLayout(compact_);
    compactLayout->setContentsMargins(0, 0, 0, 0);
    compactLayout->setSpacing(8);
    installHint_ = new QLabel(kestro::installHint(), compact_);
    installHint_->setObjectName(QStringLiteral("recordingInstallHint"));
    installHint_->setWordWrap(true);
    installHint_->setFont(textFont(TextStyle::caption));
    installHint_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    installHint_->setToolTip(
        QStringLiteral("Install the tool, then come back to Kestro or press the button beside "
                       "this line: the card opens once a tool is found."));
    compactRefresh_ = new SymbolButton(QStringLiteral("arrow.clockwise"), 28, compact_);
    compactRefresh_->setToolTip(QStringLiteral("Look for the recording tools again"));
    compactLayout->addWidget(installHint_, 1);
    compactLayout->addWidget(compactRefresh_, 0, Qt::AlignVCenter);
    body()->addWidget(compact_);

    full_ = new QWidget(this);
    auto* fullLayout = new QVBoxLayout(full_);
    fullLayout->setContentsMargins(0, 0, 0, 0);
    fullLayout->setSpacing(body()->spacing());
    body()->addWidget(full_);
    QWidget* const card = full_;

    banner_ = new WarningBanner(card);
    fullLayout->addWidget(banner_);

    auto* statusRow = new QHBoxLayout();
    status_ = new StatusIndicator(workflow_.recordingState(), card);
    statusRow->addWidget(status_);
    statusRow->addStretch(1);
    fullLayout->addLayout(statusRow);

    // Device: the picker and its refresh button, with a little air above and below.
    auto* deviceRow = new QWidget(card);
    auto* deviceLayout = new QHBoxLayout(deviceRow);
    deviceLayout->setContentsMargins(0, 4, 0, 4);
    deviceLayout->setSpacing(8);
    devices_ = new MenuPicker(deviceRow);
    devices_->setAccessibleName(QStringLiteral("Device"));
    refresh_ = new SymbolButton(QStringLiteral("arrow.clockwise"), 28, deviceRow);
    refresh_->setToolTip(QStringLiteral("Look for booted simulators and Android devices again"));
    deviceLayout->addWidget(devices_, 1);
    deviceLayout->addWidget(refresh_);
    fullLayout->addWidget(new LabeledControl(QStringLiteral("Device"), deviceRow, card));

    // Save location: where recordings are proposed, with Choose and Reset.
    auto* folderRow = new QWidget(card);
    auto* folderLayout = new QHBoxLayout(folderRow);
    folderLayout->setContentsMargins(0, 0, 0, 0);
    folderLayout->setSpacing(8);
    folderName_ = new ElidedLabel(folderRow);
    folderName_->setTextFont(monospacedBody());
    folderName_->setPrimary(true);
    folderName_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    folderDetail_ = new ElidedLabel(folderRow);
    folderDetail_->setTextFont(textFont(TextStyle::caption));
    chooseFolder_ =
        new ModernButton(QStringLiteral("folder"), QStringLiteral("Choose"),
                         Style{Style::Variant::secondary, Style::Size::small}, folderRow);
    resetFolder_ = new ModernButton(QStringLiteral("xmark.circle"), QStringLiteral("Reset"),
                                    Style{Style::Variant::ghost, Style::Size::small}, folderRow);
    folderLayout->addWidget(folderName_, 0, Qt::AlignVCenter);
    folderLayout->addWidget(folderDetail_, 1, Qt::AlignVCenter);
    folderLayout->addWidget(chooseFolder_, 0, Qt::AlignVCenter);
    folderLayout->addWidget(resetFolder_, 0, Qt::AlignVCenter);
    fullLayout->addWidget(new LabeledControl(QStringLiteral("Save Location"), folderRow, card));

    // What the recording changes on the device for its own length.
    auto* optionsRow = new QWidget(card);
    auto* optionsLayout = new QHBoxLayout(optionsRow);
    optionsLayout->setContentsMargins(0, 0, 0, 0);
    optionsLayout->setSpacing(16);
    cleanStatusBar_ = new QCheckBox(QStringLiteral("Clean status bar"), optionsRow);
    cleanStatusBar_->setToolTip(
        QStringLiteral("Show 9:41, a full battery, full signal and no notifications while "
                       "recording; restored afterwards"));
    showTouches_ = new QCheckBox(QStringLiteral("Phone's touch dots"), optionsRow);
    showTouches_->setToolTip(QStringLiteral(
        "Android: the phone draws its own dots into the recording. Leave off to have Kestro "
        "draw the taps from the touch log instead (the phone's dots stay off while recording)"));
    fadeWhileDisabled(cleanStatusBar_);
    fadeWhileDisabled(showTouches_);
    optionsLayout->addWidget(cleanStatusBar_);
    optionsLayout->addWidget(showTouches_);
    optionsLayout->addStretch(1);
    fullLayout->addWidget(new LabeledControl(QStringLiteral("While Recording"), optionsRow, card));

    auto* controls = new QHBoxLayout();
    controls->setSpacing(12);
    start_ =
        new ModernButton(QStringLiteral("record.circle.fill"), QStringLiteral("Start Recording"),
                         Style{Style::Variant::primary, Style::Size::medium}, card);
    stop_ = new ModernButton(QStringLiteral("stop.fill"), QStringLiteral("Stop Recording"),
                             Style{Style::Variant::destructive, Style::Size::medium}, card);
    reset_ = new ModernButton(QStringLiteral("Reset"),
                              Style{Style::Variant::ghost, Style::Size::medium}, card);
    controls->addWidget(start_);
    controls->addWidget(stop_);
    controls->addWidget(reset_);
    controls->addStretch(1);
    fullLayout->addLayout(controls);

    recordingRow_ = new QWidget(card);
    auto* pathColumn = new QVBoxLayout(recordingRow_);
    pathColumn->setContentsMargins(0, 0, 0, 0);
    pathColumn->setSpacing(12);
    pathColumn->addWidget(new Divider(recordingRow_));
    auto* pathRow = new QHBoxLayout();
    pathRow->setSpacing(8);
    pathRow->addWidget(new SymbolView(QStringLiteral("folder.fill"), 14, recordingRow_));
    recordingPath_ = new ElidedLabel(recordingRow_);
    recordingPath_->setTextFont(textFont(TextStyle::caption));
    pathRow->addWidget(recordingPath_, 1);
    pathColumn->addLayout(pathRow);
    fullLayout->addWidget(recordingRow_);
    // A recording that saved nothing says so, and why, until the next start or Reset.
    failure_ = new WarningBanner(card);
    fullLayout->addWidget(failure_);

    connect(refresh_, &QAbstractButton::clicked, &workflow_, &RecordingWorkflow::refreshDevices);
    connect(compactRefresh_, &QAbstractButton::clicked, &workflow_,
            &RecordingWorkflow::refreshDevices);
    connect(chooseFolder_, &QAbstractButton::clicked, &workflow_,
            &RecordingWorkflow::chooseSaveLocation);
    connect(resetFolder_, &QAbstractButton::clicked, &workflow_,
            &RecordingWorkflow::clearSaveLocation);
    connect(start_, &QAbstractButton::clicked, &workflow_, &RecordingWorkflow::beginRecording);
    connect(stop_, &QAbstractButton::clicked, &workflow_, &RecordingWorkflow::endRecording);
    connect(reset_, &QAbstractButton::clicked, &workflow_, &RecordingWorkflow::resetRecording);

    connect(cleanStatusBar_, &QCheckBox::toggled, &workflow_,
            &RecordingWorkflow::setCleanStatusBar);
    connect(showTouches_, &QCheckBox::toggled, &workflow_, &RecordingWorkflow::setShowTouches);
    connect(&workflow_, &RecordingWorkflow::recordingOptionsChanged, this,
            &RecordingSection::syncOptions);

    connect(&workflow_, &RecordingWorkflow::availabilityChanged, this,
            &RecordingSection::syncAvailability);
    connect(&workflow_, &RecordingWorkflow::availableDevicesChanged, this,
            &RecordingSection::syncAvailability);
    connect(&workflow_, &RecordingWorkflow::availableDevicesChanged, this,
            &RecordingSection::syncDevices);
    connect(&workflow_, &RecordingWorkflow::selectedDeviceChanged, this,
            &RecordingSection::syncDevices);
    connect(&workflow_, &RecordingWorkflow::saveLocationChanged, this,
            &RecordingSection::syncFolder);
    for (auto changed :
         {&RecordingWorkflow::availabilityChanged, &RecordingWorkflow::selectedDeviceChanged})
        connect(&workflow_, changed, this, &RecordingSection::syncControls);
    connect(&workflow_, &RecordingWorkflow::recordingStateChanged, this,
            &RecordingSection::syncControls);
    connect(&workflow_, &RecordingWorkflow::recordingStateChanged, this,
            &RecordingSection::syncAvailability);
    connect(&workflow_, &RecordingWorkflow::stoppingChanged, this, &RecordingSection::syncControls);
    connect(&workflow_, &RecordingWorkflow::startingChanged, this, &RecordingSection::syncControls);
    connect(&workflow_, &RecordingWorkflow::recordingPathChanged, this,
            &RecordingSection::syncRecordingPath);
    connect(&workflow_, &RecordingWorkflow::recordingFailureChanged, this,
            &RecordingSection::syncRecordingPath);

    syncAvailability();
    syncDevices();
    syncOptions();
    syncFolder();
    syncControls();
    syncRecordingPath();
}

QString RecordingSection::deviceTitle(const RecordingDevice& device) {
    QString kind = device.isAndroid() ? QStringLiteral("Android") : QStringLiteral("Simulator");
    if (!device.isReady()) kind += QStringLiteral(", ") + device.waitingState();
    return device.name() + QStringLiteral(" \u2014 ") + kind;
}

bool RecordingSection::isCompact() const {
    return !compact_->isHidden();
}

void RecordingSection::syncAvailability() {
    // A recording in progress keeps its controls whatever a later look at the tools says.
    const bool compact =
        workflow_.toolsMissing() && workflow_.recordingState() == RecordingState::idle;
    compact_->setVisible(compact);
    full_->setVisible(!compact);
    // The hint reads as the title's subtitle.
    body()->setSpacing(compact ? 8 : full_->layout()->spacing());
    const auto& devices = workflow_.availableDevices();
    const bool anyReady = std::any_of(devices.begin(), devices.end(),
                                      [](const RecordingDevice& d) { return d.isReady(); });
    const QString message = recordingHints(workflow_.simulatorAvailability(),
                                           workflow_.androidAvailability(), anyReady);
    banner_->setMessage(message);
    banner_->setVisible(!message.isEmpty());
}

void RecordingSection::syncOptions() {
    const QSignalBlocker blockClean(cleanStatusBar_);
    const QSignalBlocker blockTouches(showTouches_);
    cleanStatusBar_->setChecked(workflow_.cleanStatusBar());
    showTouches_->setChecked(workflow_.showTouches());
}

void RecordingSection::syncDevices() {
    QMenu* menu = devices_->menu();
    menu->clear();
    const auto& devices = workflow_.availableDevices();
    if (devices.empty()) {
        devices_->setDisplay(noDeviceText(), true);
        return;
    }
    auto* group = new QActionGroup(menu);
    QString shown;
    for (const RecordingDevice& device : devices) {
        QAction* action = menu->addAction(deviceTitle(device));
        action->setData(device.id());
        action->setCheckable(true);
        action->setChecked(workflow_.selectedDeviceId() == device.id());
        group->addAction(action);
        if (action->isChecked() && shown.isEmpty()) shown = deviceTitle(device);
        connect(action, &QAction::triggered, &workflow_,
                [this, id = device.id()] { workflow_.selectDevice(id); });
    }
    devices_->setDisplay(shown, false);
}

void RecordingSection::syncFolder() {
    const std::optional<QString>& folder = workflow_.saveLocation();
    if (folder) {
        const QFileInfo info(*folder);
        folderName_->setText(info.fileName().isEmpty() ? QDir::toNativeSeparators(*folder)
                                                       : info.fileName());
        folderDetail_->setText(QStringLiteral("(") + QDir::toNativeSeparators(info.absolutePath()) +
                               QStringLiteral(")"));
    } else {
        folderName_->setText(QString());
        folderDetail_->setText(QStringLiteral("(") +
                               QDir::toNativeSeparators(defaultRecordingsFolder()) +
                               QStringLiteral(")"));
    }
    folderName_->setVisible(folder.has_value());
    resetFolder_->setVisible(folder.has_value());
}

void RecordingSection::syncControls() {
    const bool recording = workflow_.recordingState() == RecordingState::recording;
    const bool stopping = workflow_.stopping();
    const bool busy = stopping || workflow_.starting();
    const std::optional<RecordingDevice>& device = workflow_.selectedDevice();
    const bool toolsReady = device && (device->isAndroid() || workflow_.simulatorAvailability() ==
                                                                  SimulatorAvailability::available);
    status_->setState(workflow_.recordingState());
    start_->setVisible(!recording);
    stop_->setVisible(recording);
    start_->setEnabled(!busy && toolsReady && device->isReady());
    start_->setBusy(workflow_.starting());
    // While the device finishes its movie the recorder is busy on another thread.
    stop_->setEnabled(!stopping);
    stop_->setBusy(stopping);
    reset_->setEnabled(!busy);
    devices_->setEnabled(!busy);
    cleanStatusBar_->setEnabled(!recording && !busy);
    showTouches_->setEnabled(!recording && !busy);
}

void RecordingSection::syncRecordingPath() {
    const std::optional<QString>& path = workflow_.recordingPath();
    recordingPath_->setText(path ? QDir::toNativeSeparators(*path) : QString());
    recordingRow_->setVisible(path.has_value());
    failure_->setMessage(QStringLiteral("Recording failed. ") + workflow_.recordingFailure());
    failure_->setVisible(!workflow_.recordingFailure().isEmpty());
}

}  // namespace kestro
