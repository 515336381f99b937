#pragma once
// A small round button showing one symbol on a translucent disc with a hairline outline: the
// play/pause button and the appearance toggle.

#include <QAbstractButton>
#include <QColor>

namespace kestro {

class RoundIconButton : public QAbstractButton {
    Q_OBJECT
public:
    RoundIconButton(const QString& symbol, int diameter, QWidget* parent = nullptr);

    void setSymbol(const QString& symbol);
    QString symbol() const { return symbol_; }
    // An invalid colour means the primary text colour.
    void setSymbolColor(const QColor& color);
    void setOutline(const QColor& color, qreal width);
    void setSymbolSize(qreal size);

    QSize sizeHint() const override { return {diameter_ + 8, diameter_ + 8}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    int diameter_;
    QColor symbolColor_;
    QColor outline_;
    qreal outlineWidth_ = 1;
    qreal symbolSize_ = 14;
};

}  // namespace kestro
