#pragma once
// The editor's top-level window: the content (ContentView) under a menu bar, with the keyboard
// shortcuts, drag and drop of movies, File > Open Recent, the About panel, a first size that
// fits the screen it opens on, and a question before closing while an export runs.

#include "app/window/content_view.hpp"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QMimeData;

namespace kestro {

class EditorState;
class ProjectCommands;
class RecentFiles;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The answer to "an export is running; close anyway?".
    enum class CloseChoice { keepExporting, cancelAndQuit };
    using ClosePrompt = std::function<CloseChoice()>;

    // Small enough for a 1366 x 768 screen once the desktop's panels and the title bar are
    // taken off, large enough for the preview and the section column side by side.
    static constexpr QSize kMinimumSize{1000, 620};
    static constexpr QSize kDefaultSize{1280, 900};

    explicit MainWindow(std::unique_ptr<EditorState> state, ContentView::Services services = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    ContentView& content() const { return *content_; }
    EditorState& state() const { return content_->state(); }
    RecentFiles& recentFiles() const { return *recent_; }
    QMenu* recentMenu() const { return recentMenu_; }
    ProjectCommands& projects() const { return *projects_; }
    // Tests answer the close question without a modal panel.
    void setClosePrompt(ClosePrompt prompt) { closePrompt_ = std::move(prompt); }
    // Closing during a recording: the question (true: stop, save and close), then where the
    // movie went (none: nothing was written). Tests answer both without modal panels.
    using RecordingClosePrompt = std::function<bool()>;
    using RecordingSavedNotice = std::function<void(const std::optional<QString>& movie)>;
    void setRecordingClosePrompts(RecordingClosePrompt ask, RecordingSavedNotice tell) {
        recordingPrompt_ = std::move(ask);
        recordingSaved_ = std::move(tell);
    }

    // The size and place of the first window on a screen with `available` room: the default
    // size, shrunk to fit, centred. Never below the minimum unless the screen itself is smaller.
    static QRect initialGeometry(const QRect& available, const QMargins& frame);
    // Puts the window on its screen by initialGeometry().
    void placeOnScreen();

    // Where the unsaved project is kept against a crash.
    static QString recoveryFilePath();

    // The movie to open for a drag's data (one local file), or empty.
    static QString droppedFile(const QMimeData* mime);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void rebuildRecentMenu();
    void syncActions();
    void showAbout();
    QAction* addAction(QMenu* menu, const QString& name, const QString& text,
                       const QKeySequence& shortcut, std::function<void()> run);

    ContentView* content_;
    RecentFiles* recent_;
    ProjectCommands* projects_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    ClosePrompt closePrompt_;
    RecordingClosePrompt recordingPrompt_;
    RecordingSavedNotice recordingSaved_;
};

}  // namespace kestro
