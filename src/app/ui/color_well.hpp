#pragma once
// A colour swatch bound to one colour value. Clicking it opens a colour dialog with an alpha
// channel and no OK/Cancel buttons, like a system colour panel: every change made in the dialog
// is written to the bound value at once, while the dialog stays open. The swatch is refreshed
// from the bound value by refresh(), which the owner calls whenever the value may have changed.

#include <QAbstractButton>
#include <QColor>
#include <QPointer>
#include <QString>

#include <functional>

class QColorDialog;

namespace kestro {

class ColorWell : public QAbstractButton {
    Q_OBJECT
public:
    using Getter = std::function<QColor()>;
    using Setter = std::function<void(const QColor&)>;

    ColorWell(Getter read, Setter write, QWidget* parent = nullptr);
    ~ColorWell() override;

    // The colour shown.
    QColor color() const { return shown_; }
    // Shows the bound value, if it differs from what is shown (exact comparison: colours that
    // differ only in their colour model count as different). Returns whether it reassigned.
    bool refresh();
    // The open colour dialog, or null.
    QColorDialog* dialog() const;
    void openDialog();
    // The dialog's title, naming what the colour is for ("Background Colour" unless set).
    void setDialogTitle(const QString& title) { dialogTitle_ = title; }

    QSize sizeHint() const override;

    static constexpr int kWidth = 160;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void picked(const QColor& color);

    Getter read_;
    Setter write_;
    QColor shown_;
    QPointer<QColorDialog> dialog_;
    QString dialogTitle_ = QStringLiteral("Background Colour");
};

}  // namespace kestro
