#include "core/text/caption_placement.hpp"

#include <algorithm>
#include <cmath>

namespace kestro {

namespace {

bool overlapInTime(const Caption& a, const Caption& b) {
    return a.start < b.end && b.start < a.end;
}

// Stack slots: in order of start, each caption takes the lowest slot no earlier caption that
// shows with it holds.
std::vector<int> stackSlots(const std::vector<Caption>& captions, const std::vector<size_t>& group) {
    std::vector<size_t> order = group;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return captions[a].start < captions[b].start; });
    std::vector<int> slot(captions.size(), 0);
    for (size_t k = 0; k < order.size(); ++k) {
        std::vector<bool> taken;
        for (size_t j = 0; j < k; ++j) {
            if (!overlapInTime(captions[order[j]], captions[order[k]])) continue;
            const auto s = static_cast<size_t>(slot[order[j]]);
            if (taken.size() <= s) taken.resize(s + 1, false);
            taken[s] = true;
        }
        slot[order[k]] = static_cast<int>(std::find(taken.begin(), taken.end(), false) - taken.begin());
    }
    return slot;
}

}  // namespace

std::vector<CaptionBox> placeCaptions(const std::vector<Caption>& captions,
                                      const std::vector<CaptionBox>& sizes,
                                      const PlacementCanvas& canvas) {
    const double W = canvas.width;
    const double H = canvas.height;
    const bool hasDevice = canvas.deviceW > 0 && canvas.deviceH > 0;
    const double devX = hasDevice ? canvas.deviceX : 0;
    const double devY = hasDevice ? canvas.deviceY : 0;
    const double devW = hasDevice ? canvas.deviceW : W;
    const double devH = hasDevice ? canvas.deviceH : H;
    const double gap = std::round(H * 0.01);

    std::vector<CaptionBox> boxes(captions.size());
    for (size_t i = 0; i < captions.size(); ++i) {
        boxes[i].width = sizes[i].width;
        boxes[i].height = sizes[i].height;
    }

    for (CaptionPosition position :
         {CaptionPosition::top, CaptionPosition::bottom, CaptionPosition::centre}) {
        std::vector<size_t> group;
        for (size_t i = 0; i < captions.size(); ++i) {
            if (captions[i].position == position) group.push_back(i);
        }
        if (group.empty()) continue;
        const std::vector<int> slot = stackSlots(captions, group);
        int rowHeight = 0;
        int slots = 0;
        for (size_t i : group) {
            rowHeight = std::max(rowHeight, boxes[i].height);
            slots = std::max(slots, slot[i] + 1);
        }
        const double step = rowHeight + gap;
        const double stack = slots * step - gap;
        // The room beside the device on this caption's side, and whether the stack fits in it.
        const double room = position == CaptionPosition::top      ? devY
                            : position == CaptionPosition::bottom ? H - (devY + devH)
                                                                  : 0;
        const bool beside = room >= stack + 2 * gap;
        const double inset = std::round(devH * 0.06);
        // The stack's top: from the edge it belongs to, then moved as a whole onto the canvas
        // where it fits, so that no caption is pushed onto another.
        double top = 0;
        switch (position) {
            case CaptionPosition::top:
                top = beside ? (room - stack) / 2 : devY + inset;
                break;
            case CaptionPosition::bottom:
                top = (beside ? devY + devH + (room + stack) / 2 : devY + devH - inset) - stack;
                break;
            default:
                top = devY + devH / 2 - stack / 2;
                break;
        }
        if (stack <= H) top = std::clamp(top, 0.0, H - stack);
        const double centreX = beside ? W / 2 : devX + devW / 2;
        for (size_t i : group) {
            CaptionBox& box = boxes[i];
            // Bottom captions stack upward, away from their edge; the others downward.
            const double row = position == CaptionPosition::bottom
                                   ? top + stack - rowHeight - slot[i] * step
                                   : top + slot[i] * step;
            const double y = row + (rowHeight - box.height) / 2.0;
            box.x = static_cast<int>(std::lround(centreX - box.width / 2.0));
            box.y = static_cast<int>(std::lround(y));
        }
    }
    for (size_t i = 0; i < captions.size(); ++i) {
        if (captions[i].position != CaptionPosition::point) continue;
        boxes[i].x = static_cast<int>(std::lround(captions[i].pointX / 100 * W - boxes[i].width / 2.0));
        boxes[i].y = static_cast<int>(std::lround(captions[i].pointY / 100 * H - boxes[i].height / 2.0));
    }
    // Kept on the canvas where they fit; a caption larger than the canvas is centred on it.
    for (CaptionBox& box : boxes) {
        box.x = box.width <= W ? std::clamp(box.x, 0, canvas.width - box.width)
                               : (canvas.width - box.width) / 2;
        box.y = box.height <= H ? std::clamp(box.y, 0, canvas.height - box.height)
                                : (canvas.height - box.height) / 2;
    }
    return boxes;
}

}  // namespace kestro
