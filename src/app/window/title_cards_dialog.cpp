#include "app/window/title_cards_dialog.hpp"

#include "app/editor/story_track.hpp"
#include "app/ui/palette.hpp"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kestro {

TitleCardsDialog::TitleCardsDialog(StoryTrack& story, QWidget* parent)
    : QDialog(parent), story_(story) {
    setWindowTitle(QStringLiteral("Titles"));
    auto* root = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    const auto field = [this](const std::optional<TitleCard>& card, bool subtitle) {
        auto* edit = new QLineEdit(this);
        if (card) edit->setText(QString::fromStdString(subtitle ? card->subtitle : card->title));
        edit->setPlaceholderText(subtitle ? QStringLiteral("Optional")
                                          : QStringLiteral("None"));
        return edit;
    };
    const StoryText& text = story_.text();
    introTitle_ = field(text.intro, false);
    introSubtitle_ = field(text.intro, true);
    outroTitle_ = field(text.outro, false);
    outroSubtitle_ = field(text.outro, true);
    seconds_ = new QDoubleSpinBox(this);
    seconds_->setRange(kMinTitleSeconds, kMaxTitleSeconds);
    seconds_->setSingleStep(0.5);
    seconds_->setDecimals(1);
    seconds_->setSuffix(QStringLiteral(" s"));
    seconds_->setValue(text.intro ? text.intro->seconds : text.outro ? text.outro->seconds : 2.0);
    form->addRow(QStringLiteral("Intro title"), introTitle_);
    form->addRow(QStringLiteral("Intro subtitle"), introSubtitle_);
    form->addRow(QStringLiteral("Outro title"), outroTitle_);
    form->addRow(QStringLiteral("Outro subtitle"), outroSubtitle_);
    form->addRow(QStringLiteral("Each shows for"), seconds_);
    root->addLayout(form);
    problem_ = new QLabel(this);
    problem_->setWordWrap(true);
    QPalette red = problem_->palette();
    red.setColor(QPalette::WindowText, Palette::current().danger);
    problem_->setPalette(red);
    problem_->hide();
    root->addWidget(problem_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TitleCardsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TitleCardsDialog::reject);
    root->addWidget(buttons);
}

QString TitleCardsDialog::problem() const {
    return problem_->text();
}

bool TitleCardsDialog::apply() {
    const auto card = [this](QLineEdit* title, QLineEdit* subtitle) -> std::optional<TitleCard> {
        if (title->text().trimmed().isEmpty() && subtitle->text().trimmed().isEmpty())
            return std::nullopt;
        TitleCard made;
        made.title = title->text().toStdString();
        made.subtitle = subtitle->text().trimmed().isEmpty() ? std::string()
                                                             : subtitle->text().toStdString();
        made.seconds = seconds_->value();
        return made;
    };
    StoryText after = story_.text();
    after.intro = card(introTitle_, introSubtitle_);
    after.outro = card(outroTitle_, outroSubtitle_);
    for (const auto& [name, made] : {std::pair{QStringLiteral("Intro"), &after.intro},
                                     std::pair{QStringLiteral("Outro"), &after.outro}}) {
        if (!*made) continue;
        if (auto bad = titleCardProblem(**made)) {
            problem_->setText(name + QStringLiteral(": ") + *bad);
            problem_->show();
            return false;
        }
    }
    problem_->hide();
    problem_->clear();
    story_.replace(std::move(after), QStringLiteral("Titles"));
    return true;
}

void TitleCardsDialog::accept() {
    if (apply()) QDialog::accept();
}

}  // namespace kestro
