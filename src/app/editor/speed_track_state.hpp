#pragma once
// The speed segments of the recording being edited (seconds of the recording, never
// overlapping), and the edits the speed lane makes to them. Every edit is one step of the
// editor's undo history; an edit that would break the track's rules (speedTrackProblem:
// overlaps, factors outside kMinSpeedFactor..kMaxSpeedFactor) is refused and changes nothing.
// Interface thread only.

#include "app/editor/background_task.hpp"
#include "core/model/speed_segment.hpp"

#include <QObject>
#include <QString>

class QUndoStack;

namespace kestro {

class SpeedTrackState : public QObject {
    Q_OBJECT
public:
    // `history` records each edit; it must outlive this.
    explicit SpeedTrackState(QUndoStack& history, QObject* parent = nullptr);

    const SpeedTrack& segments() const { return track_; }

    // Each returns false and changes nothing when the result breaks the rules (or, for the
    // index-taking ones, when there is no such segment).
    bool add(const SpeedSegment& segment);
    bool retime(int index, double start, double end);
    bool setFactor(int index, double factor);
    bool remove(int index);
    // Replaces the whole track in one step (a found set of waits, say).
    bool replace(const SpeedTrack& track, const QString& what);

    // The output's length of [trimStart, trimEnd] at these speeds.
    double outputLength(double trimStart, double trimEnd) const;

    // The segment at `seconds` (start included, end not), or -1.
    int segmentAt(double seconds) const;

    // Without an undo step: a new recording starts without segments.
    void reset();

    // Finds the waits of [trimStart, trimEnd] in `recording` off the interface thread
    // (still_finder.hpp) and, when they land, speeds each to last at most `maxSeconds` in one
    // undo step, the segments already there kept as they are. waitsShortened() tells how many
    // segments were added (0 too); a recording that cannot be read adds none.
    void shortenWaits(const QString& recording, double trimStart, double trimEnd,
                      double maxSeconds);
    static constexpr double kDefaultWaitSeconds = 2;

signals:
    void changed();
    void waitsShortened(int added);

private:
    friend class SpeedTrackEdit;
    void apply(const SpeedTrack& track);  // what undo and redo call
    bool propose(SpeedTrack track, const QString& what);

    QUndoStack& history_;
    SpeedTrack track_;
    // Last, so it is destroyed first: no search result lands on a state that is going.
    BackgroundTasks tasks_{this};
};

}  // namespace kestro
