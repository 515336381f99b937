#include "app/editor/camera_editor.hpp"

#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

// One edit of the track: the whole track before and after (a handful of segments), so undo and
// redo restore exactly what was there, selection included.
class TrackEdit : public QUndoCommand {
public:
    static constexpr int kDragId = 0x7a6f;  // steps of one drag merge

    TrackEdit(CameraEditor& editor, const QString& text, CameraTrack before, int selectedBefore,
              CameraTrack after, int selectedAfter, int dragSerial)
        : QUndoCommand(text),
          editor_(editor),
          before_(std::move(before)),
          after_(std::move(after)),
          selectedBefore_(selectedBefore),
          selectedAfter_(selectedAfter),
          dragSerial_(dragSerial) {}

    void undo() override { editor_.applyTrack(before_, selectedBefore_); }
    void redo() override { editor_.applyTrack(after_, selectedAfter_); }
    int id() const override { return dragSerial_ >= 0 ? kDragId : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        const auto* next = dynamic_cast<const TrackEdit*>(other);
        if (!next || next->dragSerial_ != dragSerial_ || next->text() != text()) return false;
        after_ = next->after_;
        selectedAfter_ = next->selectedAfter_;
        return true;
    }

private:
    CameraEditor& editor_;
    CameraTrack before_;
    CameraTrack after_;
    int selectedBefore_;
    int selectedAfter_;
    int dragSerial_;  // -1: not part of a drag
};

}  // namespace

CameraEditor::CameraEditor(QUndoStack& history, QObject* parent)
    : QObject(parent), history_(history) {}

void CameraEditor::select(int index) {
    if (index < -1 || index >= static_cast<int>(track_.size())) index = -1;
    if (index == selected_) return;
    selected_ = index;
    emit selectionChanged(selected_);
}

int CameraEditor::segmentAt(double t) const {
    for (size_t i = 0; i < track_.size(); ++i) {
        if (t >= track_[i].start && t <= track_[i].end) return static_cast<int>(i);
    }
    return -1;
}

void CameraEditor::applyTrack(const CameraTrack& track, int selected) {
    track_ = track;
    emit trackChanged();
    selected_ = -2;  // always announced: the same index may now be another segment
    select(selected);
}

void CameraEditor::push(const QString& text, CameraTrack after, int selectedAfter, bool dragging) {
    if (after == track_ && selectedAfter == selected_) return;
    history_.push(new TrackEdit(*this, text, track_, selected_, std::move(after), selectedAfter,
                                dragging ? dragSerial_ : -1));
}

bool CameraEditor::addAt(double t) {
    const double end = duration_ > 0 ? duration_ : t + kNewSegmentSeconds;
    if (!std::isfinite(t) || t < 0 || t > end) return false;
    // The room around t that no segment takes.
    double from = 0;
    double to = end;
    for (const ZoomSegment& s : track_) {
        if (t >= s.start && t <= s.end) return false;
        if (s.end <= t) from = std::max(from, s.end);
        if (s.start >= t) to = std::min(to, s.start);
    }
    double start = std::max(from, t - kNewSegmentSeconds / 2);
    double stop = std::min(to, start + kNewSegmentSeconds);
    start = std::max(from, stop - kNewSegmentSeconds);
    if (stop - start < kMinimumSegmentSeconds) return false;
    ZoomSegment segment;
    segment.start = start;
    segment.end = stop;
    CameraTrack after = track_;
    after.push_back(segment);
    std::sort(after.begin(), after.end(),
              [](const ZoomSegment& a, const ZoomSegment& b) { return a.start < b.start; });
    const auto at = std::find(after.begin(), after.end(), segment) - after.begin();
    push(tr("Add Zoom"), std::move(after), static_cast<int>(at), false);
    return true;
}

void CameraEditor::setTiming(int index, double start, double end, bool dragging) {
    if (index < 0 || index >= static_cast<int>(track_.size())) return;
    if (!std::isfinite(start) || !std::isfinite(end)) return;
    // Kept inside the movie and clear of the neighbours, never shorter than the minimum.
    const double lo = index > 0 ? track_[static_cast<size_t>(index) - 1].end : 0;
    const double hi = index + 1 < static_cast<int>(track_.size())
                          ? track_[static_cast<size_t>(index) + 1].start
                          : (duration_ > 0 ? duration_ : std::max(end, start));
    start = std::clamp(start, lo, std::max(lo, hi - kMinimumSegmentSeconds));
    end = std::clamp(end, std::min(hi, start + kMinimumSegmentSeconds), std::max(hi, start));
    CameraTrack after = track_;
    after[static_cast<size_t>(index)].start = start;
    after[static_cast<size_t>(index)].end = end;
    push(tr("Change Zoom Timing"), std::move(after), index, dragging);
}

void CameraEditor::setFocus(int index, double x, double y, bool dragging) {
    if (index < 0 || index >= static_cast<int>(track_.size())) return;
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    CameraTrack after = track_;
    after[static_cast<size_t>(index)].focusX = std::clamp(x, 0.0, 1.0);
    after[static_cast<size_t>(index)].focusY = std::clamp(y, 0.0, 1.0);
    push(tr("Move Zoom Focus"), std::move(after), index, dragging);
}

void CameraEditor::setScale(int index, double scale, bool dragging) {
    if (index < 0 || index >= static_cast<int>(track_.size()) || !std::isfinite(scale)) return;
    CameraTrack after = track_;
    after[static_cast<size_t>(index)].scale = std::clamp(scale, kMinZoomScale, kMaxZoomScale);
    push(tr("Change Zoom Scale"), std::move(after), index, dragging);
}

void CameraEditor::remove(int index) {
    if (index < 0 || index >= static_cast<int>(track_.size())) return;
    CameraTrack after = track_;
    after.erase(after.begin() + index);
    push(tr("Delete Zoom"), std::move(after), -1, false);
}

bool CameraEditor::zoomOnTaps(const TouchTrack& touches, VideoSize size,
                              const AutoZoomRules& rules) {
    CameraTrack made = kestro::zoomOnTaps(touches, size.width, size.height, rules);
    if (duration_ > 0) {
        for (ZoomSegment& s : made) s.end = std::min(s.end, duration_);
        std::erase_if(made, [](const ZoomSegment& s) { return s.end - s.start < 0.05; });
    }
    if (made.empty()) return false;
    push(tr("Zoom on Taps"), std::move(made), -1, false);
    return true;
}

void CameraEditor::reset() {
    if (track_.empty() && selected_ == -1) return;
    track_.clear();
    emit trackChanged();
    select(-1);
}

}  // namespace kestro
