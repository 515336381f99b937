#pragma once
// A borderless button that is only a symbol, such as the device list's refresh button. It
// shows a soft round highlight under the pointer, so it reads as clickable without a frame.

#include <QAbstractButton>
#include <QColor>

namespace kestro {

class SymbolButton : public QAbstractButton {
    Q_OBJECT
public:
    SymbolButton(const QString& symbol, int side, QWidget* parent = nullptr);

    QString symbol() const { return symbol_; }
    // An invalid colour means the secondary text colour.
    void setSymbolColor(const QColor& color);
    QSize sizeHint() const override { return {side_, side_}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    int side_;
    QColor color_;
};

}  // namespace kestro
