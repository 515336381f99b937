// The app tests run in one offscreen QApplication, with preferences in a temporary folder, no
// recording tools unless a test brings a stand-in, and a frame catalogue drawn here.

#include "app/editor/background_task.hpp"
#include "app/editor/settings_file.hpp"
#include "app_fixtures.hpp"

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir scratch;
    // Before anything reads a preference or the catalogue.
    kestro::useSettingsFile(scratch.filePath("settings.ini"));
    // Never the machine's own xcrun or adb: tests that need them bring the stand-ins.
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
