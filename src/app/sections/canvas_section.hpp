#pragma once
// "Canvas": what the device stands on and how much room it gets. The background (a colour, a
// two-colour gradient with its angle, or a picture), the canvas's shape and padding, and the
// device's shadow; all drawn from and written to the editor state, which the preview and the
// export both read. An App Store preview takes only the colour: the rest is shown disabled.

#include "app/ui/section_card.hpp"
#include "core/export/background_fill.hpp"

#include <QString>

class QCheckBox;
class QEvent;
class QLabel;
class QSpinBox;

namespace kestro {

class ChoicePicker;
class ColorWell;
class EditorState;
class ElidedLabel;
class LabeledControl;
class ModernButton;
class PlacementControls;

class CanvasSection : public SectionCard {
    Q_OBJECT
public:
    explicit CanvasSection(EditorState& state, QWidget* parent = nullptr);

    // The colours of ExportBackground in order, then "Gradient" and "Image".
    ChoicePicker* backgroundPicker() const { return background_; }
    static constexpr int kGradientChoice = 4;
    static constexpr int kImageChoice = 5;
    // Each row is present only while its kind of background is chosen.
    QWidget* customColorRow() const { return customRow_; }
    QWidget* gradientRow() const { return gradientRow_; }
    QWidget* imageRow() const { return imageRow_; }
    ColorWell* customColorWell() const { return customWell_; }
    ColorWell* gradientStartWell() const { return startWell_; }
    ColorWell* gradientEndWell() const { return endWell_; }
    QSpinBox* angleBox() const { return angle_; }
    ModernButton* chooseImageButton() const { return chooseImage_; }
    ElidedLabel* imageName() const { return imageName_; }
    ChoicePicker* aspectPicker() const { return aspect_; }
    QSpinBox* paddingBox() const { return padding_; }
    QCheckBox* shadowBox() const { return shadow_; }
    // Shown while a transparent background is chosen for a file that cannot keep it.
    QLabel* transparencyHint() const { return transparencyHint_; }
    PlacementControls* placement() const { return placement_; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void sync();
    void restyleNote();
    void applyGradient(const LinearGradient& gradient);
    void choose(int index);

    EditorState& state_;
    ChoicePicker* background_;
    QWidget* customRow_;
    ColorWell* customWell_;
    QWidget* gradientRow_;
    ColorWell* startWell_;
    ColorWell* endWell_;
    QSpinBox* angle_;
    QWidget* imageRow_;
    ModernButton* chooseImage_;
    ElidedLabel* imageName_;
    ChoicePicker* aspect_;
    QSpinBox* padding_;
    QCheckBox* shadow_;
    QLabel* storeNote_;
    QLabel* transparencyHint_;
    PlacementControls* placement_;
    // The gradient and picture last used, so switching to a colour and back restores them.
    LinearGradient lastGradient_;
    QString lastImage_;
    bool syncing_ = false;
};

}  // namespace kestro
