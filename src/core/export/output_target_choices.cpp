#include "core/export/output_target_choices.hpp"

namespace kestro {

void applyOutputTarget(ExportChoices& choices, OutputTarget target) {
    choices.appStore.reset();
    choices.googlePlay.reset();
    switch (target) {
        case OutputTarget::mp4:
            choices.format = ExportFormat::mp4;
            break;
        case OutputTarget::mov:
            choices.format = ExportFormat::mov;
            break;
        case OutputTarget::gif:
            choices.format = ExportFormat::gif;
            break;
        case OutputTarget::webm:
            choices.format = ExportFormat::webm;
            break;
        case OutputTarget::png:
            break;
        case OutputTarget::appStoreIphone:
            choices.appStore = AppStorePreset::iphone;
            break;
        case OutputTarget::appStoreIphone55:
            choices.appStore = AppStorePreset::iphone55;
            break;
        case OutputTarget::appStoreIpad:
            choices.appStore = AppStorePreset::ipad;
            break;
        case OutputTarget::playPromo:
            choices.googlePlay = GooglePlayPreset::promo;
            break;
        case OutputTarget::playFeatureGraphic:
            choices.googlePlay = GooglePlayPreset::featureGraphic;
            break;
    }
    if (choices.appStore || choices.googlePlay) choices.format = ExportFormat::mp4;
}

}  // namespace kestro
