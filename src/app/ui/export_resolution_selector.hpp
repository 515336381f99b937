#pragma once
// "Export Resolution": a titled menu of the three output sizes, in case order.

#include "core/model/export_resolution.hpp"

#include <QWidget>

namespace kestro {

class MenuPicker;

class ExportResolutionSelector : public QWidget {
    Q_OBJECT
public:
    explicit ExportResolutionSelector(ExportResolution selected = ExportResolution::hd720p,
                                      QWidget* parent = nullptr);

    ExportResolution selectedResolution() const { return selected_; }
    void setSelectedResolution(ExportResolution resolution);
    MenuPicker* picker() const { return picker_; }

    static QString rowText(ExportResolution resolution);

signals:
    // Only for choices made by the user in the menu.
    void resolutionChosen(ExportResolution resolution);

private:
    ExportResolution selected_;
    MenuPicker* picker_;
};

}  // namespace kestro
