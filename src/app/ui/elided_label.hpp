#pragma once
// One line of text that shortens itself in the middle when it does not fit, keeping both the
// start and the end of a path readable (a path's last component stays whole while there is
// room for it). The full text is the tooltip.

#include <QFont>
#include <QWidget>

namespace kestro {

class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    // What is drawn at the current width.
    QString displayedText() const;
    void setTextFont(const QFont& font);
    // Primary or (the default) secondary text colour, following the appearance.
    void setPrimary(bool primary);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QFont font_;
    bool primary_ = false;
};

}  // namespace kestro
