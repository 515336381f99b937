// Kestro's window: `kestro [FILE]` opens the editor, with FILE loaded as the movie when given.
// `--frame KEY` selects a frame preset at start ("auto": the first one with an image);
// `--screenshot PATH` waits for the first picture, saves the window to PATH and quits.

#include "app/editor/content_view.hpp"
#include "app/editor/editor_state.hpp"
#include "app/ui/palette.hpp"
#include "core/model/frame_catalog.hpp"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>

using namespace kestro;

namespace {

// The first Pro model with an image (the most recognisable silhouette), else the first frame.
QString autoFrameKey() {
    const FramePreset* first = nullptr;
    for (const FramePreset& preset : framePresetCatalog()) {
        if (!preset.bundleImageName) continue;
        if (!first) first = &preset;
        if (QString::fromStdString(preset.label).contains(QStringLiteral(" Pro")))
            return QString::fromStdString(preset.key);
    }
    return first ? QString::fromStdString(first->key) : QString();
}

void saveScreenshot(ContentView& view, const QString& path) {
    const bool ok = view.grab().save(path);
    std::fprintf(ok ? stdout : stderr, ok ? "kestro: window saved to %s\n" : "kestro: could not write %s\n",
                 path.toLocal8Bit().constData());
    QCoreApplication::exit(ok ? 0 : 1);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kestro"));
    QApplication::setApplicationName(QStringLiteral("Kestro"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Frames phone screen recordings in device frames."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A movie to open at start."));
    QCommandLineOption frameOption(QStringLiteral("frame"),
                                   QStringLiteral("Frame preset to select at start (\"auto\": a Pro model)."),
                                   QStringLiteral("key"));
    QCommandLineOption shotOption(QStringLiteral("screenshot"),
                                  QStringLiteral("Save the window to this PNG once shown, then quit."),
                                  QStringLiteral("path"));
    QCommandLineOption darkOption(QStringLiteral("dark"), QStringLiteral("Start in dark mode."));
    parser.addOptions({frameOption, shotOption, darkOption});
    parser.process(app);

    auto state = std::make_unique<EditorState>();
    EditorState* s = state.get();
    Palette::apply(app, s->isDarkMode());
    if (parser.isSet(darkOption)) s->setDarkMode(true);
    ContentView view(std::move(state));
    QObject::connect(&app, &QCoreApplication::aboutToQuit, s, &EditorState::onWillTerminate);
    view.show();

    if (parser.isSet(frameOption)) {
        const QString key = parser.value(frameOption) == QStringLiteral("auto") ? autoFrameKey()
                                                                                : parser.value(frameOption);
        s->setFramePreset(key);
    }
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) s->loadVideo(files.front());

    if (parser.isSet(shotOption)) {
        const QString path = parser.value(shotOption);
        // Let the layout settle and the first pictures arrive; give up waiting after 6 s.
        auto* deadline = new QTimer(&view);
        deadline->setSingleShot(true);
        QObject::connect(deadline, &QTimer::timeout, &view, [&view, path] { saveScreenshot(view, path); });
        if (PlayerHandle* player = s->player()) {
            QObject::connect(player, &PlayerHandle::frameReady, &view, [&view, path, deadline] {
                if (!deadline->isActive()) return;
                deadline->stop();
                QTimer::singleShot(1200, &view, [&view, path] { saveScreenshot(view, path); });
            });
            deadline->start(6000);
        } else {
            deadline->start(800);
        }
    }
    return app.exec();
}
