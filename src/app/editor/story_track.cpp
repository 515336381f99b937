#include "app/editor/story_track.hpp"

#include "app/editor/edit_history.hpp"

#include <QUndoCommand>

#include <algorithm>
#include <cmath>

namespace kestro {

// One edit of the story: the whole story before and after. Stories are small (a few captions
// of a line or two), so a snapshot is simpler and safer than a command per kind of change.
class StoryEdit : public QUndoCommand {
public:
    StoryEdit(StoryTrack& track, StoryText before, StoryText after, const QString& description)
        : QUndoCommand(description),
          track_(track),
          before_(std::move(before)),
          after_(std::move(after)) {}
    void undo() override { track_.apply(before_); }
    void redo() override { track_.apply(after_); }

private:
    StoryTrack& track_;
    StoryText before_;
    StoryText after_;
};

namespace {

QString problemText(const std::string& problem) {
    QString text = QString::fromStdString(problem);
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text + QLatin1Char('.');
}

void setProblem(QString* out, const QString& problem) {
    if (out) *out = problem;
}

bool sameCaption(const Caption& a, const Caption& b) {
    return a.start == b.start && a.end == b.end && a.text == b.text && a.position == b.position &&
           a.sizePercent == b.sizePercent && a.pointX == b.pointX && a.pointY == b.pointY;
}

bool sameCard(const std::optional<TitleCard>& a, const std::optional<TitleCard>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || (a->title == b->title && a->subtitle == b->subtitle && a->seconds == b->seconds &&
                  a->fade == b->fade);
}

bool sameStory(const StoryText& a, const StoryText& b) {
    return a.captions.size() == b.captions.size() &&
           std::equal(a.captions.begin(), a.captions.end(), b.captions.begin(), sameCaption) &&
           sameCard(a.intro, b.intro) && sameCard(a.outro, b.outro);
}

}  // namespace

std::optional<QString> titleCardProblem(const TitleCard& card) {
    if (auto problem = captionTextProblem(card.title)) return "The title: " + problemText(*problem);
    if (!card.subtitle.empty()) {
        if (auto problem = captionTextProblem(card.subtitle))
            return "The subtitle: " + problemText(*problem);
    }
    if (!(card.seconds >= kMinTitleSeconds && card.seconds <= kMaxTitleSeconds))
        return QStringLiteral("A title shows for 0.5 to 10 seconds.");
    return std::nullopt;
}

StoryTrack::StoryTrack(EditHistory& history, QObject* parent)
    : QObject(parent), history_(history) {}

void StoryTrack::apply(const StoryText& story) {
    story_ = story;
    emit changed();
}

void StoryTrack::push(StoryText after, const QString& description) {
    if (sameStory(after, story_)) return;
    // The command's first redo() applies it.
    history_.stack().push(new StoryEdit(*this, story_, std::move(after), description));
}

void StoryTrack::replace(StoryText story, const QString& description, bool undoable) {
    if (undoable) {
        push(std::move(story), description);
    } else {
        apply(story);
    }
}

std::optional<int> StoryTrack::captionAt(double t) const {
    for (int i = captionCount() - 1; i >= 0; --i) {
        const Caption& c = caption(i);
        if (t >= c.start && t < c.end) return i;
    }
    return std::nullopt;
}

std::optional<int> StoryTrack::addCaption(double at, const QString& text, QString* problem) {
    const std::string utf8 = text.toStdString();
    if (auto bad = captionTextProblem(utf8)) {
        setProblem(problem, problemText(*bad));
        return std::nullopt;
    }
    const double length = outputLength_ > 0 ? outputLength_ : at + kNewCaptionLength;
    const double start = std::clamp(std::isfinite(at) ? at : 0.0, 0.0, length);
    const double end = std::min(start + kNewCaptionLength, length);
    if (end - start < kMinimumCaptionLength) {
        setProblem(problem, QStringLiteral("There is no room for a caption at the very end."));
        return std::nullopt;
    }
    Caption made;
    if (!story_.captions.empty()) {
        // Where the last caption was put is where the next one most likely goes.
        made.position = story_.captions.back().position;
        made.sizePercent = story_.captions.back().sizePercent;
    }
    made.start = start;
    made.end = end;
    made.text = utf8;
    StoryText after = story_;
    after.captions.push_back(made);
    push(std::move(after), QStringLiteral("Add Caption"));
    return captionCount() - 1;
}

void StoryTrack::setCaptionTimes(int index, double start, double end) {
    if (index < 0 || index >= captionCount() || !std::isfinite(start) || !std::isfinite(end))
        return;
    const double limit = std::max(outputLength_, caption(index).end);
    start = std::clamp(start, 0.0, std::max(0.0, limit - kMinimumCaptionLength));
    end = std::clamp(end, start + kMinimumCaptionLength, std::max(limit, start + kMinimumCaptionLength));
    StoryText after = story_;
    after.captions[std::size_t(index)].start = start;
    after.captions[std::size_t(index)].end = end;
    push(std::move(after), QStringLiteral("Move Caption"));
}

bool StoryTrack::setCaptionText(int index, const QString& text, QString* problem) {
    if (index < 0 || index >= captionCount()) return false;
    const std::string utf8 = text.toStdString();
    if (auto bad = captionTextProblem(utf8)) {
        setProblem(problem, problemText(*bad));
        return false;
    }
    StoryText after = story_;
    after.captions[std::size_t(index)].text = utf8;
    push(std::move(after), QStringLiteral("Edit Caption"));
    return true;
}

void StoryTrack::setCaptionPosition(int index, CaptionPosition position) {
    if (index < 0 || index >= captionCount()) return;
    StoryText after = story_;
    after.captions[std::size_t(index)].position = position;
    push(std::move(after), QStringLiteral("Caption Position"));
}

void StoryTrack::setCaptionSize(int index, double percent) {
    if (index < 0 || index >= captionCount() || !std::isfinite(percent)) return;
    StoryText after = story_;
    after.captions[std::size_t(index)].sizePercent =
        std::clamp(percent, kMinCaptionSizePercent, kMaxCaptionSizePercent);
    push(std::move(after), QStringLiteral("Caption Size"));
}

void StoryTrack::removeCaption(int index) {
    if (index < 0 || index >= captionCount()) return;
    StoryText after = story_;
    after.captions.erase(after.captions.begin() + index);
    push(std::move(after), QStringLiteral("Delete Caption"));
}

bool StoryTrack::setIntro(std::optional<TitleCard> card, QString* problem) {
    if (card) {
        if (auto bad = titleCardProblem(*card)) {
            setProblem(problem, *bad);
            return false;
        }
    }
    StoryText after = story_;
    after.intro = std::move(card);
    push(std::move(after), QStringLiteral("Intro Title"));
    return true;
}

bool StoryTrack::setOutro(std::optional<TitleCard> card, QString* problem) {
    if (card) {
        if (auto bad = titleCardProblem(*card)) {
            setProblem(problem, *bad);
            return false;
        }
    }
    StoryText after = story_;
    after.outro = std::move(card);
    push(std::move(after), QStringLiteral("Outro Title"));
    return true;
}

}  // namespace kestro
