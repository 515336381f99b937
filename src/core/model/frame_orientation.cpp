#include "core/model/frame_orientation.hpp"

#include <algorithm>

namespace kestro {

std::optional<FrameOrientation> frameOrientationFromRaw(std::string_view text) {
    if (text == "auto") return FrameOrientation::automatic;
    if (text == "portrait") return FrameOrientation::portrait;
    if (text == "landscape") return FrameOrientation::landscape;
    return std::nullopt;
}

std::string_view rawValue(FrameOrientation orientation) {
    switch (orientation) {
        case FrameOrientation::automatic:
            return "auto";
        case FrameOrientation::portrait:
            return "portrait";
        case FrameOrientation::landscape:
            return "landscape";
    }
    return "auto";
}

FrameOrientation resolvedOrientation(FrameOrientation choice, double recordingWidth,
                                     double recordingHeight) {
    if (choice != FrameOrientation::automatic) return choice;
    // Comparisons with NaN are false, so an unknown size stays portrait.
    return recordingWidth > 0 && recordingHeight > 0 && recordingWidth > recordingHeight
               ? FrameOrientation::landscape
               : FrameOrientation::portrait;
}

Image turnedQuarter(const Image& image, bool counterClockwise) {
    if (!image.isWellFormed()) return image;
    Image out;
    out.width = image.height;
    out.height = image.width;
    out.rgba.resize(out.byteCount());
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.pixel(0, y);
        for (int x = 0; x < image.width; ++x) {
            // Counter-clockwise: the source's top row becomes the left column, read upward.
            const int tx = counterClockwise ? y : image.height - 1 - y;
            const int ty = counterClockwise ? image.width - 1 - x : x;
            std::copy(row + x * 4, row + x * 4 + 4, out.pixel(tx, ty));
        }
    }
    return out;
}

bool turnsFrameImage(const Image& frame, FrameOrientation orientation) {
    if (!frame.isWellFormed()) return false;
    return orientation == FrameOrientation::landscape ? frame.height > frame.width
                                                      : frame.width > frame.height;
}

Image orientedFrameImage(const Image& frame, FrameOrientation orientation) {
    if (!turnsFrameImage(frame, orientation)) return frame;
    // Taller than wide turns counter-clockwise to landscape; wider than tall turns back.
    return turnedQuarter(frame, frame.height > frame.width);
}

}  // namespace kestro
