#pragma once
// The camera track as the editor edits it: the zoom segments of the current movie, which one is
// selected, and every change made through the undo history (each edit is one step; the steps of
// one drag merge into one).
//
// Threads: the interface thread only.

#include "core/export/camera_path.hpp"
#include "core/export/render_geometry.hpp"
#include "core/model/auto_zoom.hpp"
#include "core/model/touch_track.hpp"
#include "core/model/zoom_segment.hpp"

#include <QObject>
#include <QString>

class QUndoStack;

namespace kestro {

class CameraEditor : public QObject {
    Q_OBJECT
public:
    // The length of a segment added at the playhead, when the movie leaves room for it.
    static constexpr double kNewSegmentSeconds = 2;
    // The shortest segment a drag of its ends leaves.
    static constexpr double kMinimumSegmentSeconds = 0.3;

    // Edits go through `history` (not owned; it outlives the editor).
    explicit CameraEditor(QUndoStack& history, QObject* parent = nullptr);

    const CameraTrack& track() const { return track_; }
    CameraState cameraAt(double t) const { return kestro::cameraAt(track_, t); }
    // -1 when none is selected.
    int selected() const { return selected_; }
    void select(int index);
    // The segment under `t`, -1 for none.
    int segmentAt(double t) const;

    // The movie's length, which bounds every segment; 0 while none is loaded.
    void setDuration(double seconds) { duration_ = seconds; }

    // A 2x segment centred on `t` (shortened to the movie and to the room between its
    // neighbours), selected. False when there is no room.
    bool addAt(double t);
    // The selected segment's edits. A drag passes `dragging`: its steps merge into one undo step.
    void setTiming(int index, double start, double end, bool dragging = false);
    void setFocus(int index, double x, double y, bool dragging = false);
    void setScale(int index, double scale, bool dragging = false);
    void remove(int index);
    // Segments made from `touches` on a recording of `size` replace the whole track, as one
    // undoable step. False (nothing changed) when they make none.
    bool zoomOnTaps(const TouchTrack& touches, VideoSize size, const AutoZoomRules& rules = {});
    // A new movie: no segments, nothing to undo into (not itself an undoable step).
    void reset();
    // Ends a drag: the next edit starts a new undo step.
    void finishDrag() { ++dragSerial_; }

    // Used by the undo steps.
    void applyTrack(const CameraTrack& track, int selected);

signals:
    void trackChanged();
    void selectionChanged(int index);

private:
    void push(const QString& text, CameraTrack after, int selectedAfter, bool dragging);

    QUndoStack& history_;
    CameraTrack track_;
    int selected_ = -1;
    double duration_ = 0;
    int dragSerial_ = 0;
};

}  // namespace kestro
