#pragma once
// The rounded card each section of the window sits on: 20 points of padding, corner radius 16,
// the card surface with a hairline outline, and an optional header (symbol and bold title).

#include <QWidget>

class QVBoxLayout;

namespace kestro {

class SectionCard : public QWidget {
    Q_OBJECT
public:
    // An empty symbol or title leaves the header out.
    SectionCard(const QString& symbol, const QString& title, QWidget* parent = nullptr);

    // Where the section puts its content, under the header, 16 points apart.
    QVBoxLayout* body() const { return body_; }
    QString title() const { return title_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString title_;
    QVBoxLayout* body_;
};

// A bold section title in the title-2 style beside its symbol.
class SectionHeader : public QWidget {
    Q_OBJECT
public:
    SectionHeader(const QString& symbol, const QString& title, bool accentTitle = false,
                  QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    QString title_;
    bool accentTitle_;
};

// The card look: a rounded rectangle in the card colour with a hairline edge, over the whole
// widget. For widgets that are cards without being a SectionCard.
void paintCardBackground(QWidget& widget);

}  // namespace kestro
