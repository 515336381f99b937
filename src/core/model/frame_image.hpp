#pragma once
// The operations every user of a device frame image shares: finding the file of a frame
// resource name, loading it, trimming its fully transparent border and finding the screen
// opening. Stateless; safe on any thread.

#include "core/model/image.hpp"
#include "core/model/resources.hpp"
#include "core/model/screen_rect.hpp"

#include <filesystem>
#include <optional>
#include <string_view>

namespace kestro {

// The file of a frame resource name ("iphone16problack" or "Frames/iphone16problack", possibly
// with ".png"). Tries, in order: <name>.png; <name minus its last 4 characters>.png;
// Frames/<name minus its first 7>.png; Frames/<name>.png; Frames/<name minus first 7 and last
// 4>.png. The first regular file that exists wins. Where the last 4 characters are dropped and
// read ".png" in another case ("Phone.PNG"), the file under the name's own spelling counts too.
std::optional<std::filesystem::path> frameImageURL(
    std::string_view name, const std::filesystem::path& resources = resourcesDir());

// The frame image of a resource name, decoded and already trimmed; none when there is no file
// or it cannot be decoded.
std::optional<Image> loadFrameImage(std::string_view name,
                                    const std::filesystem::path& resources = resourcesDir());

// The PNG at path, decoded and already trimmed; none when it cannot be read or decoded.
std::optional<Image> loadTrimmedPng(const std::filesystem::path& path);

// Crops to the smallest rectangle holding every pixel whose alpha is not 0. An image without
// any such pixel (or an empty one) is returned unchanged.
Image trimTransparentBorders(const Image& image);

// Finds the transparent screen opening around the image's centre (alpha at most 1 counts as
// transparent). x and w are percent of the width, h percent of the height, and y is the height
// of the bottom margin below the opening in percent, as the renderers read it. The height is
// the tallest transparent run of the columns through the first transparent pixel found and at
// every sixteenth of that pixel's row in from either end; the width the widest run of that row
// and of the rows at every sixteenth of the height in from the top and the bottom. So a camera
// island, hole or notch (even one three quarters as wide as the display) drawn inside the
// opening does not shorten it. None when no transparent pixel lies within 10% of the size
// around the centre.
std::optional<ScreenRect> detectScreenRect(const Image& image);

// How round the image makes the corners of the opening `screen` (percent, as detected): the
// corner radius as a fraction of the opening's shorter side, read from where the transparent
// display begins along each corner's diagonal (a quarter circle of radius r crosses it
// r (1 - 1/sqrt 2) in, after any bezel). The smallest of the four corners counts; none when a
// corner is square or no bezel lies on a corner's diagonal (a hand-set rectangle).
std::optional<double> openingCornerFraction(const Image& image, const ScreenRect& screen);

}  // namespace kestro
