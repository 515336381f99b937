#pragma once
// A segmented control: a row of mutually exclusive choices on a shared track, the chosen one
// raised on a pill. Segments are as wide as their text needs, and share any spare width evenly.
// Left and right arrows move the choice when the control has focus.

#include <QStringList>
#include <QWidget>

#include <vector>

namespace kestro {

class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedPicker(QStringList segments, QWidget* parent = nullptr);

    QStringList segments() const { return segments_; }
    int currentIndex() const { return current_; }
    // Changes the choice shown without emitting indexChosen (the bound value changed).
    void setCurrentIndex(int index);
    QString currentText() const;
    // Where segment `index` is drawn, in this widget's coordinates.
    QRectF segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Only for choices the user made.
    void indexChosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    std::vector<qreal> segmentWidths(qreal available) const;
    int segmentAt(QPointF point) const;
    void choose(int index);

    QStringList segments_;
    int current_ = 0;
    int hovered_ = -1;
    int pressed_ = -1;
};

}  // namespace kestro
