#pragma once
// A compact menu of mutually exclusive choices: the field shows the current one (in a shorter
// form when given), the menu lists them all with a check beside the current one. Where a row of
// segments would not fit, this takes a field's width and one line.

#include "app/ui/menu_picker.hpp"

#include <QStringList>

class QActionGroup;

namespace kestro {

class ChoicePicker : public MenuPicker {
    Q_OBJECT
public:
    // `shortTexts`, when given (one per choice), is what the field shows for each choice.
    explicit ChoicePicker(QStringList choices, QStringList shortTexts = {},
                          QWidget* parent = nullptr);

    QStringList choices() const { return choices_; }
    int currentIndex() const { return current_; }
    // Shows `index` as chosen without emitting indexChosen (the bound value changed).
    void setCurrentIndex(int index);
    // A choice that does not apply stays listed, greyed out.
    void setChoiceEnabled(int index, bool enabled);
    bool isChoiceEnabled(int index) const;
    // Picks `index` as the user would from the menu (an enabled choice only).
    void choose(int index);

signals:
    // Only for choices the user made.
    void indexChosen(int index);

private:
    QStringList choices_;
    QStringList shortTexts_;
    QActionGroup* group_;
    int current_ = -1;
};

}  // namespace kestro
