#include "app/window/main_window.hpp"

#include "app/editor/editor_state.hpp"
#include "app/editor/recent_files.hpp"
#include "app/editor/recording_workflow.hpp"
#include "app/window/project_commands.hpp"
#include "app/ui/focus_ring.hpp"
#include "core/library_versions.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileOpenEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QUndoStack>

#include <tuple>

namespace kestro {
namespace {

// Asks whether to keep the running work or to end it and close; true when the user chose to
// close. Keeping is the default and what Escape does.
bool confirmClosing(QWidget* window, const QString& title, const QString& text,
                    const QString& question, const QString& keepLabel, const QString& closeLabel,
                    QMessageBox::ButtonRole closeRole) {
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, window);
    box.setInformativeText(question);
    QPushButton* keep = box.addButton(keepLabel, QMessageBox::RejectRole);
    box.addButton(closeLabel, closeRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() != keep;
}

MainWindow::CloseChoice askBeforeClosing(QWidget* window) {
    return confirmClosing(window, QStringLiteral("An Export Is Running"),
                          QStringLiteral("Quitting now cancels the export, and no file is written."),
                          QStringLiteral("Keep exporting, or cancel the export and quit?"),
                          QStringLiteral("Keep Exporting"), QStringLiteral("Cancel Export and Quit"),
                          QMessageBox::DestructiveRole)
               ? MainWindow::CloseChoice::cancelAndQuit
               : MainWindow::CloseChoice::keepExporting;
}

bool askBeforeClosingDuringRecording(QWidget* window) {
    return confirmClosing(window, QStringLiteral("A Recording Is Running"),
                          QStringLiteral("Closing stops the recording and saves what was recorded."),
                          QStringLiteral("Keep recording, or stop, save and close?"),
                          QStringLiteral("Keep Recording"), QStringLiteral("Stop, Save and Close"),
                          QMessageBox::AcceptRole);
}

void tellWhereTheRecordingWent(QWidget* window, const std::optional<QString>& movie) {
    if (movie)
        QMessageBox::information(
            window, QStringLiteral("Recording Saved"),
            QStringLiteral("The recording was saved to %1.").arg(QDir::toNativeSeparators(*movie)));
    else
        QMessageBox::warning(window, QStringLiteral("Recording Not Saved"),
                             QStringLiteral("The recording stopped without saving a movie."));
}

}  // namespace

MainWindow::MainWindow(std::unique_ptr<EditorState> state, ContentView::Services services,
                       QWidget* parent)
    : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Kestro"));
    content_ = new ContentView(std::move(state), std::move(services), this);
    setCentralWidget(content_);
    recent_ = new RecentFiles(this);
    projects_ = new ProjectCommands(this, content_->state(), *recent_, recoveryFilePath());
    setAcceptDrops(true);
    setMinimumSize(kMinimumSize);
    resize(kDefaultSize);
    closePrompt_ = [this] { return askBeforeClosing(this); };
    recordingPrompt_ = [this] { return askBeforeClosingDuringRecording(this); };
    recordingSaved_ = [this](const std::optional<QString>& movie) {
        tellWhereTheRecordingWent(this, movie);
    };
    buildMenus();
    // Sees the shortcut check of every key press, to let a control with keyboard focus keep
    // the keys it acts on (see eventFilter).
    qApp->installEventFilter(this);
    trackFocusReasons();

    EditorState* s = &content_->state();
    // A movie counts as recent once it has really loaded.
    connect(&s->playback(), &PlaybackSession::videoPathChanged, this, [this, s] {
        if (s->playback().videoPath()) recent_->add(*s->playback().videoPath());
    });
    const auto sync = [this] { syncActions(); };
    connect(&s->playback(), &PlaybackSession::videoPathChanged, this, sync);
    connect(&content_->exportWorkflow(), &ExportWorkflow::exportingChanged, this, sync);
    connect(&s->playback(), &PlaybackSession::durationChanged, this, sync);
    connect(&s->playback(), &PlaybackSession::trimStartChanged, this, sync);
    connect(&s->playback(), &PlaybackSession::trimEndChanged, this, sync);
    syncActions();
}

MainWindow::~MainWindow() = default;

QString MainWindow::recoveryFilePath() {
    // Tests and a second instance for debugging keep theirs elsewhere.
    const QString chosen = qEnvironmentVariable("KESTRO_RECOVERY_FILE");
    if (!chosen.isEmpty()) return chosen;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/recovery.kestro");
}

QAction* MainWindow::addAction(QMenu* menu, const QString& name, const QString& text,
                               const QKeySequence& shortcut, std::function<void()> run) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    // Window-wide, so a shortcut works wherever the focus is inside the window.
    action->setShortcutContext(Qt::WindowShortcut);
    // Qt would otherwise guess from the text which items move into macOS's application menu;
    // Quit and About say so themselves.
    action->setMenuRole(QAction::NoRole);
    connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
    return action;
}

void MainWindow::buildMenus() {
    EditorState& s = content_->state();
    ExportWorkflow& exporter = content_->exportWorkflow();

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    addAction(file, QStringLiteral("openAction"), QStringLiteral("&Open…"), QKeySequence::Open,
              [this] { projects_->openChosen(); });
    recentMenu_ = file->addMenu(QStringLiteral("Open &Recent"));
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    connect(recentMenu_, &QMenu::aboutToShow, this, &MainWindow::rebuildRecentMenu);
    rebuildRecentMenu();
    projects_->addActions(file);
    file->addSeparator();
    // Queued, so the menu has closed before the save panel opens.
    addAction(file, QStringLiteral("exportAction"), QStringLiteral("&Export Video…"),
              QKeySequence(Qt::CTRL | Qt::Key_E),
              [&exporter] { QTimer::singleShot(0, &exporter, &ExportWorkflow::startExport); });
    file->addSeparator();
    addAction(file, QStringLiteral("closeAction"), QStringLiteral("&Close Window"),
              QKeySequence(Qt::CTRL | Qt::Key_W), [this] { close(); });
    addAction(file, QStringLiteral("quitAction"), QStringLiteral("&Quit"),
              QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); })
        ->setMenuRole(QAction::QuitRole);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QUndoStack& history = s.history().stack();
    for (auto [action, name, keys] :
         {std::tuple{history.createUndoAction(edit, QStringLiteral("&Undo")), "undoAction",
                     QKeySequence::Undo},
          std::tuple{history.createRedoAction(edit, QStringLiteral("&Redo")), "redoAction",
                     QKeySequence::Redo}}) {
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setMenuRole(QAction::NoRole);
        edit->addAction(action);
    }
    edit->addSeparator();
    addAction(edit, QStringLiteral("playAction"), QStringLiteral("&Play / Pause"),
              QKeySequence(Qt::Key_Space), [&s] { s.playback().togglePlayPause(); });
    edit->addSeparator();
    addAction(edit, QStringLiteral("frameBackAction"), QStringLiteral("Back One Frame"),
              QKeySequence(Qt::Key_Left), [&s] { s.playback().stepFrames(-1); });
    addAction(edit, QStringLiteral("frameForwardAction"), QStringLiteral("Forward One Frame"),
              QKeySequence(Qt::Key_Right), [&s] { s.playback().stepFrames(1); });
    addAction(edit, QStringLiteral("secondBackAction"), QStringLiteral("Back One Second"),
              QKeySequence(Qt::SHIFT | Qt::Key_Left), [&s] { s.playback().stepBy(-1); });
    addAction(edit, QStringLiteral("secondForwardAction"), QStringLiteral("Forward One Second"),
              QKeySequence(Qt::SHIFT | Qt::Key_Right), [&s] { s.playback().stepBy(1); });
    edit->addSeparator();
    addAction(edit, QStringLiteral("trimStartAction"),
              QStringLiteral("Set Trim &Start at Playhead"), QKeySequence(Qt::Key_I),
              [&s] { s.playback().setTrimStartAtPlayhead(); });
    addAction(edit, QStringLiteral("trimEndAction"), QStringLiteral("Set Trim &End at Playhead"),
              QKeySequence(Qt::Key_O), [&s] { s.playback().setTrimEndAtPlayhead(); });
    addAction(edit, QStringLiteral("goStartAction"), QStringLiteral("Go to Trim Start"),
              QKeySequence(Qt::Key_Home), [&s] { s.playback().goToTrimStart(); });
    addAction(edit, QStringLiteral("goEndAction"), QStringLiteral("Go to Trim End"),
              QKeySequence(Qt::Key_End), [&s] { s.playback().goToTrimEnd(); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* dark =
        addAction(view, QStringLiteral("darkAction"), QStringLiteral("&Dark Appearance"), {},
                  [&s] { s.setDarkMode(!s.isDarkMode()); });
    dark->setCheckable(true);
    dark->setChecked(s.isDarkMode());
    connect(&s, &EditorState::isDarkModeChanged, dark, &QAction::setChecked);
    QAction* full = addAction(view, QStringLiteral("fullScreenAction"),
                              QStringLiteral("&Full Screen"), {}, [this] {
                                  if (isFullScreen())
                                      showNormal();
                                  else
                                      showFullScreen();
                              });
    full->setCheckable(true);
    // The system's own keys (F11 is Show Desktop on a Mac); F11 where the system names none.
    QList<QKeySequence> fullKeys = QKeySequence::keyBindings(QKeySequence::FullScreen);
    if (fullKeys.isEmpty()) fullKeys = {QKeySequence(Qt::Key_F11)};
    full->setShortcuts(fullKeys);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    addAction(help, QStringLiteral("aboutAction"), QStringLiteral("&About Kestro"), {},
              [this] { showAbout(); })
        ->setMenuRole(QAction::AboutRole);
}

void MainWindow::rebuildRecentMenu() {
    recentMenu_->clear();
    const QStringList entries = recent_->entries();
    for (const QString& path : entries) {
        QAction* open = recentMenu_->addAction(QFileInfo(path).fileName());
        open->setMenuRole(QAction::NoRole);  // a movie named "About…" stays in this menu
        open->setToolTip(path);
        open->setData(path);
        // Queued: the load may alert, which must not run inside the menu.
        connect(open, &QAction::triggered, projects_,
                [this, path] { QTimer::singleShot(0, projects_, [this, path] { projects_->openPath(path); }); });
    }
    if (entries.isEmpty()) {
        QAction* none = recentMenu_->addAction(QStringLiteral("No Recent Files"));
        none->setEnabled(false);
        none->setMenuRole(QAction::NoRole);
    }
    recentMenu_->addSeparator();
    QAction* clear = recentMenu_->addAction(QStringLiteral("Clear Menu"));
    clear->setMenuRole(QAction::NoRole);
    clear->setEnabled(!entries.isEmpty());
    connect(clear, &QAction::triggered, recent_, &RecentFiles::clear);
}

void MainWindow::syncActions() {
    const EditorState& s = content_->state();
    const bool movie = s.playback().videoPath().has_value();
    if (auto* a = findChild<QAction*>(QStringLiteral("exportAction")))
        a->setEnabled(movie && !content_->exportWorkflow().exporting() &&
                      content_->exportWorkflow().hasValidTrimRange());
    for (const char* name : {"playAction", "frameBackAction", "frameForwardAction",
                             "secondBackAction", "secondForwardAction", "trimStartAction",
                             "trimEndAction", "goStartAction", "goEndAction"})
        if (auto* a = findChild<QAction*>(QString::fromLatin1(name))) a->setEnabled(movie);
}

void MainWindow::showAbout() {
    QString libraries;
    for (const auto& [name, version] : libraryVersions())
        libraries += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>")
                         .arg(QString::fromStdString(name).toHtmlEscaped(),
                              QString::fromStdString(version).toHtmlEscaped());
    libraries +=
        QStringLiteral("<tr><td>Qt</td><td>%1</td></tr>").arg(QString::fromLatin1(qVersion()));
    QMessageBox::about(
        this, QStringLiteral("About Kestro"),
        QStringLiteral("<h3>Kestro %1</h3><p>Frames phone screen recordings in device frames and "
                       "exports presentation videos.</p><p>Libraries in use:</p>"
                       "<table cellspacing='4'>%2</table>")
            .arg(QString::fromStdString(kestroVersion()).toHtmlEscaped(), libraries));
}

QRect MainWindow::initialGeometry(const QRect& available, const QMargins& frame) {
    // The frame (title bar and borders) sits outside the client size we choose.
    const QSize room(available.width() - frame.left() - frame.right(),
                     available.height() - frame.top() - frame.bottom());
    QSize size = kDefaultSize.boundedTo(room);
    size = size.expandedTo(kMinimumSize.boundedTo(room));
    const QPoint topLeft(available.left() + frame.left() + (room.width() - size.width()) / 2,
                         available.top() + frame.top() + (room.height() - size.height()) / 2);
    return {topLeft, size};
}

void MainWindow::placeOnScreen() {
    QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!where) return;
    // Before the first show the window manager has not told us its frame; a typical title bar
    // and border is assumed, so the window still fits.
    QMargins frame(frameGeometry().left() - geometry().left(),
                   geometry().top() - frameGeometry().top(),
                   frameGeometry().right() - geometry().right(),
                   frameGeometry().bottom() - geometry().bottom());
    if (frame.isNull()) frame = QMargins(2, 38, 2, 2);
    setGeometry(initialGeometry(where->availableGeometry(), frame));
}

QString MainWindow::droppedFile(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData()).isEmpty()) return event->ignore();
    event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (path.isEmpty()) return event->ignore();
    event->acceptProposedAction();
    // The same checks and alerts as Import, after the drop has returned to the source.
    EditorState* s = &content_->state();
    QTimer::singleShot(0, s, [s, path] { s->playback().loadVideo(path); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!projects_->confirmDiscard()) {
        event->ignore();
        return;
    }
    RecordingWorkflow& recorder = content_->recordingWorkflow();
    if (recorder.busy()) {
        if (!recordingPrompt_ || !recordingPrompt_()) {
            event->ignore();
            return;
        }
        // Stopped here, on the way out, so the device finishes the movie before the process
        // ends; then the user learns where it is.
        const std::optional<QString> movie = recorder.stopForClosing();
        if (recordingSaved_) recordingSaved_(movie);
    }
    ExportWorkflow& exporter = content_->exportWorkflow();
    if (exporter.exporting() && closePrompt_ && closePrompt_() == CloseChoice::keepExporting) {
        event->ignore();
        return;
    }
    // Quitting during an export: the workflow cancels it and waits for the worker when the
    // content goes, so its temporary file is removed before the process ends.
    if (exporter.exporting()) exporter.requestExportCancel();
    projects_->closed();
    event->accept();
}

// The editing shortcuts are plain keys (Space, the arrows). While a control shows its focus
// ring, the user is moving through the controls with the keyboard: Space presses the focused
// button, as it would anywhere else.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A movie opened from the Finder (the bundle offers Kestro for movies) arrives as an event
    // to the application; it goes through the same checks as a drop.
    if (event->type() == QEvent::FileOpen && watched == qApp) {
        const QString path = static_cast<QFileOpenEvent*>(event)->file();
        if (path.isEmpty()) return false;
        EditorState* s = &content_->state();
        QTimer::singleShot(0, s, [s, path] { s->playback().loadVideo(path); });
        return true;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        // macOS marks the arrow keys as keypad keys.
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (widget && widget->window() == this && modifiers == Qt::NoModifier &&
            showsFocusRing(*widget)) {
            const bool press =
                (key->key() == Qt::Key_Space) && qobject_cast<QAbstractButton*>(widget);
            if (press) {
                event->accept();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange)
        if (auto* a = findChild<QAction*>(QStringLiteral("fullScreenAction")))
            a->setChecked(isFullScreen());
    QMainWindow::changeEvent(event);
}

}  // namespace kestro
