#pragma once
// A warning inside a section: the warning symbol in the warning tint beside a short message,
// on a rounded translucent panel.

#include <QWidget>

class QLabel;

namespace kestro {

class WarningBanner : public QWidget {
    Q_OBJECT
public:
    explicit WarningBanner(QWidget* parent = nullptr);

    void setMessage(const QString& message);
    QString message() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void restyle();

    QLabel* text_;
};

}  // namespace kestro
