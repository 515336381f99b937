#pragma once
// Sets the intro and outro title cards: a title and a subtitle each (an empty title means no
// card) and how long the cards show. Kept as one edit of the story, so one undo takes back the
// whole change; text the export could not draw is refused and the dialog stays open saying why.

#include <QDialog>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;

namespace kestro {

class StoryTrack;

class TitleCardsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TitleCardsDialog(StoryTrack& story, QWidget* parent = nullptr);

    QLineEdit* introTitle() const { return introTitle_; }
    QLineEdit* introSubtitle() const { return introSubtitle_; }
    QLineEdit* outroTitle() const { return outroTitle_; }
    QLineEdit* outroSubtitle() const { return outroSubtitle_; }
    QDoubleSpinBox* seconds() const { return seconds_; }
    QString problem() const;

    // Writes the cards into the story; false (and the reason shown) when one is refused.
    bool apply();

    void accept() override;

private:
    StoryTrack& story_;
    QLineEdit* introTitle_;
    QLineEdit* introSubtitle_;
    QLineEdit* outroTitle_;
    QLineEdit* outroSubtitle_;
    QDoubleSpinBox* seconds_;
    QLabel* problem_;
};

}  // namespace kestro
