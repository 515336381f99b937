#pragma once
// Parsing of the export verb's option values. Each parser gives none for text it does not accept,
// so the caller reports a usage error naming the option.

#include "core/export/background_fill.hpp"
#include "core/model/export_format.hpp"
#include "core/model/screen_rect.hpp"
#include "core/result.hpp"
#include "core/text/caption.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestro::cli {

// "transparent", "white", "black" (any case), or "#RRGGBB" / "#RRGGBBAA" in hexadecimal.
std::optional<BackgroundFill> parseBackground(std::string_view text);

// "#RRGGBB[AA],#RRGGBB[AA][,DEG]": two colours and an optional CSS angle in degrees (0 to the
// top, 90 to the right; 180, to the bottom, when left out). Spaces around the parts are allowed.
std::optional<BackgroundFill> parseGradient(std::string_view text);

// A padding percentage: a finite number from 0 up to, but not including, 50 (at 50 the padding
// meets in the middle).
std::optional<double> parsePadding(std::string_view text);

// "X,Y,W,H" in percent of the frame image, y measured from the bottom edge. Every value must be
// a finite number in [0, 100], with W and H above 0 and the rectangle inside the image.
std::optional<ScreenRect> parseScreenRect(std::string_view text);

// The format from the output's extension: .mp4 (or .m4v), .mov, .gif, .webm in any case; none
// otherwise.
std::optional<ExportFormat> formatFromExtension(const std::filesystem::path& output);

// "START-END:TEXT": seconds of the output (plain numbers, END after START) and the caption's
// text, in which the two characters "\n" also break a line. The failure says what is wrong,
// for a message that names the option.
Result<Caption, std::string> parseCaption(std::string_view text);

// "top", "bottom", "centre" or "center" (any case).
std::optional<CaptionPosition> parseCaptionPosition(std::string_view text);

// "TITLE|SUBTITLE" or "TITLE"; the failure says what is wrong.
Result<TitleCard, std::string> parseTitle(std::string_view text);

}  // namespace kestro::cli
