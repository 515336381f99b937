// The preview's background picture is decoded off the interface thread, once per file.

#include "app/preview/background_image_cache.hpp"
#include "app_fixtures.hpp"

#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace kestro {
namespace {

QString writePicture(const QTemporaryDir& dir, const QString& name, int w, int h) {
    QImage picture(w, h, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    const QString path = dir.filePath(name);
    picture.save(path, "PNG");
    return path;
}

TEST(BackgroundImageCache, DecodesEachFileOnceAndOnlyTheLastAskedForLands) {
    QTemporaryDir dir;
    const QString small = writePicture(dir, "small.png", 8, 6);
    const QString large = writePicture(dir, "large.png", 40, 30);
    BackgroundImageCache cache;
    QSignalSpy ready(&cache, &BackgroundImageCache::ready);

    // Asked for one file, then another before the first landed: only the second arrives.
    EXPECT_EQ(cache.imageFor(small), nullptr);
    EXPECT_EQ(cache.imageFor(large), nullptr);
    ASSERT_TRUE(test::waitUntilDone([&] { return !cache.loading(); }));
    test::drainEvents();
    EXPECT_EQ(ready.count(), 1);
    auto image = cache.imageFor(large);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 40);
    EXPECT_EQ(image->height, 30);
    // Kept: asking again neither decodes nor signals.
    EXPECT_EQ(cache.imageFor(large), image);
    test::drainEvents();
    EXPECT_EQ(ready.count(), 1);

    // A file that is no picture gives none, once: no endless reloading.
    const QString text = test::writeFile(dir.filePath("notes.png"), "not a picture");
    EXPECT_EQ(cache.imageFor(text), nullptr);
    ASSERT_TRUE(test::waitUntilDone([&] { return !cache.loading(); }));
    test::drainEvents();
    EXPECT_EQ(ready.count(), 2);
    EXPECT_EQ(cache.imageFor(text), nullptr);
    EXPECT_FALSE(cache.loading());
}

}  // namespace
}  // namespace kestro
