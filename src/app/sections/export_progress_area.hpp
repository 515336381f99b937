#pragma once
// The export's status under the export buttons: an icon (the export symbol while exporting,
// a green check mark otherwise), the stage or result text, and while exporting a thin bar
// showing the fraction done.

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

    bool exporting() const { return exporting_; }
    QString text() const;
    QString iconSymbol() const;
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
};

}  // namespace kestro
