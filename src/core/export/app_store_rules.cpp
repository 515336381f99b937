#include "core/export/app_store_rules.hpp"

#include <cmath>
#include <cstdio>
#include <string>

namespace kestro {

namespace {

// The container's index and headers: a few bytes per frame, far below a percent.
constexpr double kContainerOverhead = 1.01;

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

}  // namespace

std::int64_t estimatedPreviewBytes(double seconds) {
    const double bitsPerSecond =
        static_cast<double>(kPreviewVideoMaxRate) + static_cast<double>(kPreviewAudioBitRate);
    return static_cast<std::int64_t>(std::ceil(seconds * bitsPerSecond / 8 * kContainerOverhead));
}

std::optional<ExportError> previewRuleBroken(double length) {
    // A length that prints as 15.00 or 30.00 passes: the message must never refuse a length
    // it shows as allowed.
    if (!(length >= kPreviewMinSeconds - 0.005) || !(length <= kPreviewMaxSeconds + 0.005)) {
        return ExportError::targetRequirement(
            "An App Store preview must be 15 to 30 seconds long; the trimmed recording plays for " +
            seconds(length) + " seconds.");
    }
    const std::int64_t bytes = estimatedPreviewBytes(length);
    if (bytes > kPreviewMaxBytes) {
        return ExportError::targetRequirement(
            "An App Store preview must be at most 500 MB; this one would be about " +
            std::to_string((bytes + 500'000) / 1'000'000) + " MB.");
    }
    return std::nullopt;
}

}  // namespace kestro
