#pragma once
// A time read-out whose digits each take the same width, so "1:11" and "0:00" are as wide and
// the text does not jitter while the playhead moves. The interface font's digits are
// proportional, and Qt here offers no switch to its tabular figures, so each digit is drawn
// centred in a cell as wide as the widest digit.

#include <QWidget>

namespace kestro {

class TimeReadout : public QWidget {
    Q_OBJECT
public:
    explicit TimeReadout(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    void setColor(const QColor& color);
    void setAlignment(Qt::Alignment alignment);
    // The width `text` takes in the current font.
    qreal textWidth(const QString& text) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    qreal digitWidth() const;

    QString text_;
    QColor color_;
    Qt::Alignment alignment_ = Qt::AlignLeft;
};

}  // namespace kestro
