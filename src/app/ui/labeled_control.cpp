#include "app/ui/labeled_control.hpp"

#include "app/ui/palette.hpp"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace kestro {

LabeledControl::LabeledControl(const QString& label, QWidget* content, QWidget* parent)
    : QWidget(parent), label_(new QLabel(label, this)), content_(content) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(label_);
    if (content_) layout->addWidget(content_);
    restyle();
}

QString LabeledControl::label() const { return label_->text(); }

void LabeledControl::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) restyle();
    QWidget::changeEvent(event);
}

void LabeledControl::restyle() {
    label_->setFont(textFont(TextStyle::subheadline, QFont::Medium));
    QPalette p = label_->palette();
    p.setColor(QPalette::WindowText, Palette::current().primaryText);
    label_->setPalette(p);
}

}  // namespace kestro
