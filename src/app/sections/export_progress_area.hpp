#pragma once
// The export's status under the export buttons: an icon (the export symbol while exporting; a
// green check mark after a success, a red warning sign after a failure, a grey cross after a
// cancel), the stage or result text, and while exporting a thin bar showing the fraction done.

#include "app/editor/export_workflow.hpp"

#include <QWidget>

class QLabel;

namespace kestro {

class ExportProgressArea : public QWidget {
    Q_OBJECT
public:
    explicit ExportProgressArea(QWidget* parent = nullptr);

    void setExporting(bool exporting);
    void setText(const QString& text);
    void setProgress(double progress);
    void setOutcome(ExportOutcome outcome);

    bool exporting() const { return exporting_; }
    QString text() const;
    QString iconSymbol() const;
    QColor iconColor() const;
    ExportOutcome outcome() const { return outcome_; }
    bool barVisible() const;
    double progress() const { return progress_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void restyle();
    void sync();

    QWidget* icon_;
    QLabel* text_;
    QWidget* bar_;
    bool exporting_ = false;
    double progress_ = 0;
    ExportOutcome outcome_ = ExportOutcome::none;
};

}  // namespace kestro
