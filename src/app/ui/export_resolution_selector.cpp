#include "app/ui/export_resolution_selector.hpp"

#include "app/ui/menu_picker.hpp"
#include "app/ui/palette.hpp"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>

namespace kestro {

ExportResolutionSelector::ExportResolutionSelector(ExportResolution selected, QWidget* parent)
    : QWidget(parent), selected_(selected), picker_(new MenuPicker(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* title = new QLabel(QStringLiteral("Export Resolution"), this);
    title->setFont(textFont(TextStyle::subheadline, QFont::Medium));
    layout->addWidget(title);
    layout->addWidget(picker_);
    picker_->setAccessibleName(QStringLiteral("Resolution"));

    auto* group = new QActionGroup(this);
    for (ExportResolution r : allExportResolutions()) {
        QAction* action = picker_->menu()->addAction(rowText(r));
        action->setCheckable(true);
        action->setData(QString::fromUtf8(rawValue(r).data(), int(rawValue(r).size())));
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, r] {
            setSelectedResolution(r);
            emit resolutionChosen(r);
        });
    }
    setSelectedResolution(selected);
}

QString ExportResolutionSelector::rowText(ExportResolution resolution) {
    const std::string_view text = label(resolution);
    return QString::fromUtf8(text.data(), int(text.size()));
}

void ExportResolutionSelector::setSelectedResolution(ExportResolution resolution) {
    selected_ = resolution;
    const auto& all = allExportResolutions();
    const auto actions = picker_->menu()->actions();
    for (int i = 0; i < actions.size() && i < int(all.size()); ++i)
        actions[i]->setChecked(all[std::size_t(i)] == resolution);
    picker_->setDisplay(rowText(resolution), false);
}

}  // namespace kestro
