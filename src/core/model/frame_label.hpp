#pragma once
// The menu label of a device frame, derived from its image's file name.

#include <string>
#include <string_view>

namespace kestro {

// "iphone16pro_max-black_portrait" gives "iPhone 16 Pro Max Black"; "ipad_pro_11_m4_silver"
// gives "iPad Pro 11 M4 Silver"; any other name is only split and title-cased ("pixel_8" gives
// "Pixel 8"); an empty name gives "Untitled".
// Letters and digits are recognised in ASCII only; other bytes pass through untouched.
std::string makeFrameLabel(std::string_view fileName);

// ASCII lower case, as the label, order and group rules compare text.
std::string toLowerAscii(std::string_view text);

}  // namespace kestro
