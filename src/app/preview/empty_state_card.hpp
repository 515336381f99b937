#pragma once
// The card the stage shows while neither a movie nor a frame is loaded: a floating phone
// badge, "Ready to Create", a one-line hint and a pill pointing at the frame menu.

#include <QWidget>

namespace kestro {

class FloatingAnimation;

class EmptyStateCard : public QWidget {
    Q_OBJECT
public:
    explicit EmptyStateCard(QWidget* parent = nullptr);

    static QString title() { return QStringLiteral("Ready to Create"); }
    static QString subtitle() { return QStringLiteral("Select a device frame to get started"); }
    static QString hint() { return QStringLiteral("Choose from Frame Preset menu"); }

    // The card's size for a given maximum width (content width, padded, clamped).
    QSize sizeFor(qreal maxWidth) const;
    // Space kept around the card for its shadow.
    static constexpr int kShadowMargin = 24;
    FloatingAnimation* floating() const { return floating_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    FloatingAnimation* floating_;
};

}  // namespace kestro
