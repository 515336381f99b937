#pragma once
// The recording's size and shift inside the device's screen: Scale, X and Y, in percent, as the
// export applies them. Written to and drawn from the editor state; shut while an App Store
// preview is chosen, which always fits the whole recording.

#include <QWidget>

class QSpinBox;

namespace kestro {

class EditorState;

class PlacementControls : public QWidget {
    Q_OBJECT
public:
    explicit PlacementControls(EditorState& state, QWidget* parent = nullptr);

    QSpinBox* scaleBox() const { return scale_; }
    QSpinBox* offsetXBox() const { return offsetX_; }
    QSpinBox* offsetYBox() const { return offsetY_; }

private:
    void sync();
    void apply();

    EditorState& state_;
    QSpinBox* scale_;
    QSpinBox* offsetX_;
    QSpinBox* offsetY_;
    bool syncing_ = false;
};

}  // namespace kestro
