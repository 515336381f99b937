// Preferences: every part of the app writes them to the one file the tests chose, never to the
// system's own store (which on macOS would be the user's real preferences).

#include "app/editor/editor_state.hpp"
#include "app/editor/recent_files.hpp"
#include "app/editor/settings_file.hpp"
#include "app_fixtures.hpp"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kestro {
namespace {

QByteArray fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(SettingsFile, EveryWriterLandsInTheChosenFileAndSwitchingFilesSwitchesWhatIsRead) {
    const QString original = openSettings().fileName();
    QTemporaryDir scratch;
    const QString first = scratch.filePath("first.ini");
    const QString second = scratch.filePath("second.ini");
    QFile movie(scratch.filePath("clip.mp4"));
    ASSERT_TRUE(movie.open(QIODevice::WriteOnly));
    movie.close();

    useSettingsFile(first);
    EXPECT_EQ(openSettings().fileName(), first);
    {
        EditorState state(std::make_unique<test::FakeBackend>());
        state.setDarkMode(true);
    }
    RecentFiles().add(movie.fileName());
    const QByteArray written = fileText(first);
    EXPECT_TRUE(written.contains("clip.mp4")) << written.toStdString();
    EXPECT_TRUE(written.contains("true")) << written.toStdString();

    // A second file starts empty and the first keeps what it had.
    useSettingsFile(second);
    EXPECT_TRUE(RecentFiles().entries().isEmpty());
    EXPECT_FALSE(EditorState(std::make_unique<test::FakeBackend>()).isDarkMode());
    useSettingsFile(first);
    EXPECT_EQ(RecentFiles().entries(), QStringList{movie.fileName()});

    useSettingsFile(original);
}

}  // namespace
}  // namespace kestro
