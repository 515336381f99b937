// Label and group derivation from any file name.

#include "core/model/frame_label.hpp"
#include "core/model/frame_catalog.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const std::string label = kestro::makeFrameLabel(name);
    const std::string group = kestro::frameGroupId(label);
    (void)kestro::frameGroupTitle(group);
    (void)kestro::frameOrderValue(label);
    (void)kestro::toLowerAscii(name);
    return 0;
}
