#include "app/editor/touch_editing.hpp"

#include "app/editor/edit_history.hpp"
#include "app/editor/editor_state.hpp"

#include <QUndoCommand>

#include <algorithm>
#include <map>
#include <set>

namespace kestro {

namespace {

// Swaps the whole track, so undo gives back exactly what was there.
class TouchTrackCommand : public QUndoCommand {
public:
    TouchTrackCommand(EditorState& state, TouchTrack before, TouchTrack after, const QString& text)
        : QUndoCommand(text), state_(state), before_(std::move(before)), after_(std::move(after)) {}
    void redo() override { state_.setTouchTrack(after_); }
    void undo() override { state_.setTouchTrack(before_); }

private:
    EditorState& state_;
    TouchTrack before_;
    TouchTrack after_;
};

}  // namespace

TouchTrack withTap(const TouchTrack& track, double t, double x, double y) {
    const double up = t + kAddedTapSeconds;
    // A finger that is down during the new tap keeps its id to itself.
    std::set<int> busy;
    std::map<int, double> downSince;
    for (const TouchPoint& p : track.touches) {
        if (p.phase == TouchPhase::down) downSince[p.id] = p.t;
        if (p.t >= t && p.t <= up) busy.insert(p.id);
        if (p.phase == TouchPhase::up) {
            const auto since = downSince.find(p.id);
            if (since != downSince.end() && since->second <= up && p.t >= t) busy.insert(p.id);
            downSince.erase(p.id);
        }
    }
    for (const auto& [id, since] : downSince)
        if (since <= up) busy.insert(id);  // never lifted
    int id = 0;
    while (busy.count(id)) ++id;

    TouchTrack result = track;
    const auto place = [&](TouchPoint point) {
        const auto at = std::upper_bound(result.touches.begin(), result.touches.end(), point.t,
                                         [](double v, const TouchPoint& p) { return v < p.t; });
        result.touches.insert(at, point);
    };
    place({t, x, y, TouchPhase::down, id});
    place({up, x, y, TouchPhase::up, id});
    return result;
}

bool addTapAtPlayhead(EditorState& state, double x, double y, double recordingWidth,
                      double recordingHeight) {
    if (!state.playback().videoPath() || recordingWidth <= 0 || recordingHeight <= 0) return false;
    if (x < 0 || y < 0 || x > recordingWidth || y > recordingHeight) return false;
    const double t = std::max(0.0, state.playback().currentTime());
    TouchTrack after = withTap(state.touchTrack(), t, x, y);
    state.history().push(new TouchTrackCommand(state, state.touchTrack(), std::move(after),
                                               QStringLiteral("Add Tap")));
    return true;
}

}  // namespace kestro
