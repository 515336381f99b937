#pragma once
// A coloured dot and a caption saying where the recording stands.

#include "core/model/recording_state.hpp"

#include <QColor>
#include <QWidget>

namespace kestro {

class StatusIndicator : public QWidget {
    Q_OBJECT
public:
    explicit StatusIndicator(RecordingState state = RecordingState::idle, QWidget* parent = nullptr);

    void setState(RecordingState state);
    RecordingState state() const { return state_; }

    static QString caption(RecordingState state);
    static QColor dotColor(RecordingState state);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RecordingState state_;
};

}  // namespace kestro
