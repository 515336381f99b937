#include "app/ui/choice_picker.hpp"

#include <QActionGroup>
#include <QMenu>

namespace kestro {

ChoicePicker::ChoicePicker(QStringList choices, QStringList shortTexts, QWidget* parent)
    : MenuPicker(parent),
      choices_(std::move(choices)),
      shortTexts_(std::move(shortTexts)),
      group_(new QActionGroup(this)) {
    if (shortTexts_.size() != choices_.size()) shortTexts_ = choices_;
    for (int i = 0; i < choices_.size(); ++i) {
        QAction* action = menu()->addAction(choices_[i]);
        action->setCheckable(true);
        group_->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] {
            setCurrentIndex(i);
            emit indexChosen(i);
        });
    }
    setCurrentIndex(0);
}

void ChoicePicker::setCurrentIndex(int index) {
    if (index < 0 || index >= choices_.size()) return;
    current_ = index;
    menu()->actions()[index]->setChecked(true);
    setDisplay(shortTexts_[index], false);
    setToolTip(choices_[index] == shortTexts_[index] ? QString() : choices_[index]);
}

void ChoicePicker::setChoiceEnabled(int index, bool enabled) {
    if (index < 0 || index >= choices_.size()) return;
    menu()->actions()[index]->setEnabled(enabled);
}

bool ChoicePicker::isChoiceEnabled(int index) const {
    return index >= 0 && index < choices_.size() && menu()->actions()[index]->isEnabled();
}

void ChoicePicker::choose(int index) {
    if (!isChoiceEnabled(index)) return;
    menu()->actions()[index]->trigger();
}

}  // namespace kestro
