#include "app/editor/speed_track_state.hpp"

#include "core/export/still_finder.hpp"
#include "core/model/still_stretches.hpp"
#include "core/model/time_map.hpp"

#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace kestro {

// One edit: the track before and after, whole (tracks are a handful of segments).
class SpeedTrackEdit : public QUndoCommand {
public:
    SpeedTrackEdit(SpeedTrackState& state, SpeedTrack before, SpeedTrack after, const QString& what)
        : QUndoCommand(what), state_(state), before_(std::move(before)), after_(std::move(after)) {}
    void undo() override { state_.apply(before_); }
    void redo() override { state_.apply(after_); }

private:
    SpeedTrackState& state_;
    SpeedTrack before_;
    SpeedTrack after_;
};

SpeedTrackState::SpeedTrackState(QUndoStack& history, QObject* parent)
    : QObject(parent), history_(history) {}

void SpeedTrackState::apply(const SpeedTrack& track) {
    track_ = track;
    emit changed();
}

bool SpeedTrackState::propose(SpeedTrack track, const QString& what) {
    if (speedTrackProblem(track)) return false;
    std::sort(track.begin(), track.end(),
              [](const SpeedSegment& a, const SpeedSegment& b) { return a.start < b.start; });
    if (track == track_) return true;
    // push() runs redo(), which applies the new track.
    history_.push(new SpeedTrackEdit(*this, track_, std::move(track), what));
    return true;
}

bool SpeedTrackState::add(const SpeedSegment& segment) {
    SpeedTrack track = track_;
    track.push_back(segment);
    return propose(std::move(track), tr("Add Speed Change"));
}

bool SpeedTrackState::retime(int index, double start, double end) {
    if (index < 0 || index >= int(track_.size())) return false;
    SpeedTrack track = track_;
    track[size_t(index)].start = start;
    track[size_t(index)].end = end;
    return propose(std::move(track), tr("Move Speed Change"));
}

bool SpeedTrackState::setFactor(int index, double factor) {
    if (index < 0 || index >= int(track_.size())) return false;
    SpeedTrack track = track_;
    track[size_t(index)].factor = factor;
    return propose(std::move(track), tr("Change Speed"));
}

bool SpeedTrackState::remove(int index) {
    if (index < 0 || index >= int(track_.size())) return false;
    SpeedTrack track = track_;
    track.erase(track.begin() + index);
    return propose(std::move(track), tr("Delete Speed Change"));
}

bool SpeedTrackState::replace(const SpeedTrack& track, const QString& what) {
    return propose(track, what);
}

double SpeedTrackState::outputLength(double trimStart, double trimEnd) const {
    return TimeMap(trimStart, trimEnd, track_).outputDuration();
}

int SpeedTrackState::segmentAt(double seconds) const {
    for (size_t i = 0; i < track_.size(); ++i) {
        if (seconds >= track_[i].start && seconds < track_[i].end) return int(i);
    }
    return -1;
}

void SpeedTrackState::shortenWaits(const QString& recording, double trimStart, double trimEnd,
                                   double maxSeconds) {
    using Stills = std::vector<StillStretch>;
    const std::filesystem::path path = recording.toStdString();
    tasks_.run<Stills>(
        "kestro-waits",
        [path, trimStart, trimEnd]() -> Stills {
            auto found = findStillStretches(path, trimStart, trimEnd);
            return found ? *found : Stills{};
        },
        [this, maxSeconds](Stills stills) {
            const SpeedTrack shortened = shortenStills(stills, maxSeconds, track_);
            const int added = int(shortened.size()) - int(track_.size());
            if (added > 0) propose(shortened, tr("Shorten Waits"));
            emit waitsShortened(std::max(added, 0));
        });
}

void SpeedTrackState::reset() {
    if (track_.empty()) return;
    apply({});
}

}  // namespace kestro
