#pragma once
// A labelled row: the label in the subheadline style over the control it names.

#include <QWidget>

class QLabel;

namespace kestro {

class LabeledControl : public QWidget {
    Q_OBJECT
public:
    LabeledControl(const QString& label, QWidget* content, QWidget* parent = nullptr);

    QString label() const;
    QWidget* content() const { return content_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void restyle();

    QLabel* label_;
    QWidget* content_;
};

}  // namespace kestro
