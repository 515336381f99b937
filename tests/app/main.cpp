// The app tests run inside one QApplication on the offscreen platform. Preferences go to INI
// files in a temporary folder, the recording tools are missing unless a test brings a stand-in, and
// the frame catalogue is built from a small set of frame images drawn here, so the tests know
// exactly which presets exist.

#include "app/editor/background_task.hpp"
#include "app_fixtures.hpp"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir scratch;
    // Before anything reads a preference or the catalogue.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.filePath("settings"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, scratch.filePath("settings"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    // No test ever runs the machine's own xcrun or adb: tests that need them point the
    // workflows at the stand-ins in tests/fixtures.
    setenv("KESTRO_XCRUN", scratch.filePath("missing-xcrun").toLocal8Bit().constData(), 1);
    setenv("KESTRO_ADB", scratch.filePath("missing-adb").toLocal8Bit().constData(), 1);
    QStandardPaths::setTestModeEnabled(true);
    const std::string resources = scratch.filePath("resources").toStdString();
    kestro::test::writeFrameFixtures(resources);
    setenv("KESTRO_RESOURCES", resources.c_str(), 1);

    QApplication app(argc, argv);
    QApplication::setOrganizationName("Kestro");
    QApplication::setApplicationName("Kestro");
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // A test may end with pictures still being made on the pool.
    kestro::BackgroundTasks::waitForAll();
    return result;
}
