#pragma once
// A device the recording section lists: a booted simulator or an Android phone or emulator,
// kept as the recorder that found it reported it, so what records it is read off the type.

#include "core/capture/adb_listing.hpp"
#include "core/capture/simulator_device.hpp"

#include <QString>

#include <variant>

namespace kestro {

struct RecordingDevice {
    std::variant<SimulatorDevice, AndroidDevice> device;

    bool isAndroid() const { return std::holds_alternative<AndroidDevice>(device); }
    QString name() const {
        return QString::fromStdString(
            std::visit([](const auto& d) -> const std::string& { return d.name; }, device));
    }
    // A simulator's UDID or an Android serial: what the picker and the recorders identify it by.
    QString id() const {
        if (const auto* phone = std::get_if<AndroidDevice>(&device))
            return QString::fromStdString(phone->serial);
        return QString::fromStdString(std::get<SimulatorDevice>(device).id);
    }
    // A booted simulator is always ready; a phone may wait for the user ("unauthorized", ...).
    bool isReady() const {
        const auto* phone = std::get_if<AndroidDevice>(&device);
        return !phone || phone->isRecordable();
    }
    // Why it cannot record yet; empty when ready.
    QString waitingState() const {
        return isReady() ? QString()
                         : QString::fromStdString(std::get<AndroidDevice>(device).state);
    }

    friend bool operator==(const RecordingDevice&, const RecordingDevice&) = default;
};

}  // namespace kestro
