#pragma once
// FFmpeg has two ProRes encoders: prores_ks (Kostya's, rate-controlled per slice) and
// prores_aw (Anatoliy's, fixed quantiser, simpler). Named apart from the encoders that use it,
// so choosing one does not bring libav's headers along.

namespace kestro {

enum class ProResEncoder { ks, aw };

}  // namespace kestro
