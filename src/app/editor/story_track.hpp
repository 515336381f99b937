#pragma once
// The captions and title cards of the movie being edited, as the export will draw them. Times
// are seconds of the output (0 is the trim start), as the core keeps them.
//
// Every change goes through the edit history as one command, so undo and redo restore the
// whole story as it was; a change that would make a caption undrawable (bad text, an empty
// interval) is refused with a message for people and changes nothing.
//
// Threads: the interface thread only.

#include "core/text/caption.hpp"

#include <QObject>
#include <QString>

#include <optional>

namespace kestro {

class EditHistory;

class StoryTrack : public QObject {
    Q_OBJECT
public:
    // A caption shorter than this is not made by the editor: it would be a flash.
    static constexpr double kMinimumCaptionLength = 0.2;
    static constexpr double kNewCaptionLength = 2;

    StoryTrack(EditHistory& history, QObject* parent = nullptr);

    const StoryText& text() const { return story_; }
    int captionCount() const { return int(story_.captions.size()); }
    const Caption& caption(int index) const { return story_.captions.at(std::size_t(index)); }

    // How long the output is (the trimmed length): new captions and moved ends stay inside it.
    // Captions already made keep their times; the export cuts what runs past the end.
    void setOutputLength(double seconds) { outputLength_ = seconds; }
    double outputLength() const { return outputLength_; }

    // A caption of `text` from `at` for kNewCaptionLength (less where the output ends sooner),
    // at the position and size of the previous caption. Returns its index, or none when there is
    // no room left at `at` or the text is refused (`problem` then says why).
    std::optional<int> addCaption(double at, const QString& text, QString* problem = nullptr);
    // New times, kept inside the output and at least kMinimumCaptionLength long.
    void setCaptionTimes(int index, double start, double end);
    // False, with `problem` set, when the text cannot be drawn (nothing changes).
    bool setCaptionText(int index, const QString& text, QString* problem = nullptr);
    void setCaptionPosition(int index, CaptionPosition position);
    void setCaptionSize(int index, double percent);
    void removeCaption(int index);

    // The intro and outro cards; none removes the card. False, with `problem` set, when a title
    // or subtitle cannot be drawn.
    bool setIntro(std::optional<TitleCard> card, QString* problem = nullptr);
    bool setOutro(std::optional<TitleCard> card, QString* problem = nullptr);

    // Replaces the whole story as one edit (or without one: a project being opened).
    void replace(StoryText story, const QString& description, bool undoable = true);

    // The caption showing at output time `t` (the one added last where several show), if any.
    std::optional<int> captionAt(double t) const;

signals:
    void changed();

private:
    friend class StoryEdit;
    void apply(const StoryText& story);
    void push(StoryText after, const QString& description);

    EditHistory& history_;
    StoryText story_;
    double outputLength_ = 0;
};

// Why a title card cannot be drawn, or none.
std::optional<QString> titleCardProblem(const TitleCard& card);

}  // namespace kestro
