#include "app_fixtures.hpp"

#include "core/model/image.hpp"
#include "core/model/png.hpp"

#include <filesystem>
#include <fstream>

namespace kestro::test {
namespace {

Image framed(int border) {
    Image img = Image::filled(100 + 2 * border, 200 + 2 * border);
    img.fillRect(border, border, 100, 200, Rgba{20, 20, 24, 255});
    img.fillRect(border + 10, border + 20, 80, 150, Rgba{0, 0, 0, 0});
    return img;
}

}  // namespace

void writeFrameFixtures(const std::string& resources) {
    const std::filesystem::path frames = std::filesystem::path(resources) / "Frames";
    std::filesystem::create_directories(frames);
    (void)savePng(framed(4), frames / "iphone16pro_black_portrait.png");
    (void)savePng(framed(0), frames / "iphone14_red_portrait.png");
    (void)savePng(Image::filled(60, 120, Rgba{200, 220, 240, 255}),
                  frames / "iphone17air_sky_blue_portrait.png");
    std::ofstream(frames / "iphone15_black_portrait.png") << "this is not a png";
}

}  // namespace kestro::test
