#pragma once
// A menu-style picker: a rounded field showing the current choice with an up/down chevron that
// opens a menu of choices. Used by the frame preset menu and the resolution selector.

#include <QAbstractButton>
#include <QPointer>

#include <functional>

class QMenu;

namespace kestro {

class MenuPicker : public QAbstractButton {
    Q_OBJECT
public:
    explicit MenuPicker(QWidget* parent = nullptr);

    // The menu shown on click; owned by the picker.
    QMenu* menu() const { return menu_; }
    // The text shown in the field, and whether it is drawn in the secondary colour (a prompt).
    void setDisplay(const QString& text, bool prompt);
    bool showsPrompt() const { return prompt_; }
    // Where the menu pops up; tests replace this to avoid running a modal menu.
    void setPopupHandler(std::function<void(QMenu*, QPoint)> handler) { popup_ = std::move(handler); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    // The rectangle of the field inside the widget; subclasses may reserve a margin around it.
    virtual QRectF fieldRect() const;

private:
    QMenu* menu_;
    bool prompt_ = false;
    std::function<void(QMenu*, QPoint)> popup_;
};

}  // namespace kestro
