#pragma once
// The "Frame Preset" menu: a prompt entry ("📱 Select a frame...") and one titled section per
// device family, each entry standing for a preset key, with a small "Pro" badge on Pro models.
// While no frame image is loaded the picker pulses a blue outline to draw the eye to it.
// A PNG dropped on the picker becomes a custom frame (the editor checks and loads it). The last
// entry, Add Frames Folder…, adds a folder of the user's own frame PNGs ("My frames").

#include "app/ui/menu_picker.hpp"
#include "core/model/frame_catalog.hpp"

#include <QPointer>
#include <QStringList>

#include <vector>

class QMimeData;
class QVariantAnimation;

namespace kestro {

class EditorState;

class FramePresetPicker : public MenuPicker {
    Q_OBJECT
public:
    // Builds the menu from `catalog`; the editor's selection and frame drive the display.
    FramePresetPicker(EditorState& state, const std::vector<FramePreset>& catalog,
                      QWidget* parent = nullptr);
    explicit FramePresetPicker(EditorState& state, QWidget* parent = nullptr);
    ~FramePresetPicker() override;

    static QString promptText() { return QStringLiteral("📱 Select a frame..."); }
    static QString addFolderText() { return QStringLiteral("Add Frames Folder\u2026"); }
    // The user's frames folders, kept in the preferences ("framesFolders").
    static QStringList savedFramesFolders();
    // Adds a folder's PNGs to the menu's "My frames" group and remembers the folder; a folder
    // already listed changes nothing. PNGs that cannot serve are left out and named in the
    // entry's tooltip.
    void addFramesFolder(const QString& folder);
    const std::vector<FramePreset>& catalog() const { return catalog_; }
    QStringList skippedFrames() const { return skipped_; }
    // The menu's first entry: no frame at all.
    static QString noFrameText() { return QStringLiteral("No Frame"); }
    static bool showsProBadge(const QString& label);
    bool attentionOutlineVisible() const;
    // The outline's current scale and opacity, for the pulse.
    qreal attentionPhase() const { return phase_; }
    // The path of the one local PNG file a drag carries; empty for anything else.
    static QString droppedPng(const QMimeData* mime);

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void refresh();
    void rebuildMenu();
    void placeOverlay();

    EditorState& state_;
    std::vector<FramePreset> shipped_;
    std::vector<FramePreset> catalog_;  // shipped_ followed by the user's frames
    QStringList userFolders_;
    QStringList skipped_;
    QPointer<QWidget> overlay_;  // lives in an ancestor, which may go first
    QVariantAnimation* pulse_ = nullptr;
    qreal phase_ = 0;
};

}  // namespace kestro
