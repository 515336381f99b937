#pragma once

namespace kestro {

// A colour in BT.709 limited-range levels: y in 16..235, cb and cr in 16..240.
struct LimitedBt709 {
    float y, cb, cr;
};

// From gamma-encoded RGB in 0..1, for drawing straight into a BT.709 limited-range picture.
inline LimitedBt709 toLimitedBt709(float r, float g, float b) {
    constexpr float kr = 0.2126f, kb = 0.0722f;
    const float luma = kr * r + (1 - kr - kb) * g + kb * b;
    return {16 + 219 * luma, 128 + 224 * (b - luma) / (2 * (1 - kb)),
            128 + 224 * (r - luma) / (2 * (1 - kr))};
}

}  // namespace kestro
