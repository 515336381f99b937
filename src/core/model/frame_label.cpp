#include "core/model/frame_label.hpp"

#include <array>
#include <utility>

namespace kestro {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string replaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t start = 0;
    while (true) {
        const std::size_t found = text.find(from, start);
        if (found == std::string_view::npos) break;
        out.append(text.substr(start, found - start));
        out.append(to);
        start = found + from.size();
    }
    out.append(text.substr(start));
    return out;
}

// Every occurrence of `from`, matched without regard to ASCII case, becomes `to`.
std::string replaceAllIgnoringCase(std::string_view text, std::string_view from,
                                   std::string_view to) {
    const std::string haystack = toLowerAscii(text);
    const std::string needle = toLowerAscii(from);
    std::string out;
    std::size_t start = 0;
    while (true) {
        const std::size_t found = haystack.find(needle, start);
        if (found == std::string::npos) break;
        out.append(text.substr(start, found - start));
        out.append(to);
        start = found + needle.size();
    }
    out.append(text.substr(start));
    return out;
}

// First letter of each whitespace-separated word upper case, every other letter lower case.
std::string titleCased(std::string_view text) {
    std::string out(text);
    bool wordStart = true;
    for (char& c : out) {
        if (isSpace(c)) {
            wordStart = true;
            continue;
        }
        c = wordStart ? upper(c) : lower(c);
        wordStart = false;
    }
    return out;
}

std::string splitDigitsFromLetters(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i > 0) {
            const char before = text[i - 1];
            const char c = text[i];
            if ((isDigit(before) && isLetter(c)) || (isLetter(before) && isDigit(c))) {
                out.push_back(' ');
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

constexpr std::array<std::string_view, 5> kFinishes{
    "natural titanium", "white titanium", "black titanium", "desert titanium", "blue titanium"};

constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kNamedColours{{
    {"cosmic orange", "Cosmic Orange"},
    {"deep blue", "Deep Blue"},
    {"mist blue", "Mist Blue"},
    {"ultramarine", "Ultramarine"},
    {"space black", "Space Black"},
    {"cloud white", "Cloud White"},
    {"light gold", "Light Gold"},
    {"sky blue", "Sky Blue"},
    {"sage", "Sage"},
    {"lavender", "Lavender"},
}};

constexpr std::array<std::string_view, 11> kPlainColours{"black",  "white",  "blue", "green",
                                                         "pink",   "purple", "red",  "yellow",
                                                         "orange", "silver", "teal"};

constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kModelWords{
    {{"pro", "Pro"}, {"plus", "Plus"}, {"max", "Max"}, {"mini", "Mini"}}};

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// iPad names: Apple's spelling, "iPad mini", and chip names kept whole ("M 4" back to "M4").
std::string iPadLabel(std::string_view titled) {
    std::string text = replaceAllIgnoringCase(titled, "ipad", "iPad");
    text = replaceAll(text, " Mini", " mini");
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool chipLetter = i + 2 < text.size() && text[i + 1] == ' ' &&
                                (i == 0 || text[i - 1] == ' ') &&
                                (text[i] == 'M' || text[i] == 'A') && isDigit(text[i + 2]);
        out.push_back(text[i]);
        if (chipLetter) ++i;  // drop the space
    }
    return out;
}

}  // namespace

std::string toLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lower(c);
    return out;
}

std::string makeFrameLabel(std::string_view fileName) {
    if (fileName.empty()) return "Untitled";

    std::string text = replaceAll(replaceAll(fileName, "_", " "), "-", " ");
    text = splitDigitsFromLetters(text);
    if (toLowerAscii(text).starts_with("ipad")) return iPadLabel(titleCased(text));
    if (!contains(toLowerAscii(text), "iphone")) return titleCased(text);

    text = replaceAllIgnoringCase(text, "iphone", "iPhone");
    text = replaceAllIgnoringCase(text, " Portrait", "");
    text = replaceAllIgnoringCase(text, "iPhone 17 Air", "iPhone Air");

    // At most one finish name and at most one named colour are tidied: a file name carries one
    // colour, and the first match is the one meant.
    for (std::string_view finish : kFinishes) {
        if (contains(toLowerAscii(text), finish)) {
            text = replaceAllIgnoringCase(text, finish, titleCased(finish));
            break;
        }
    }
    for (const auto& [key, shown] : kNamedColours) {
        if (contains(toLowerAscii(text), key)) {
            text = replaceAllIgnoringCase(text, key, shown);
            break;
        }
    }
    for (std::string_view colour : kPlainColours) {
        const std::string lowered = toLowerAscii(text);
        // Appended, not " " + string: GCC 12 at -O3 misreads that as overlapping (-Wrestrict).
        std::string word = " ";
        word += colour;
        if (contains(lowered, word + " ") || endsWith(lowered, word)) {
            text = replaceAllIgnoringCase(text, colour, titleCased(colour));
            break;
        }
    }
    for (const auto& [word, shown] : kModelWords) text = replaceAllIgnoringCase(text, word, shown);

    // Deliberately a single left-to-right pass: a run of three spaces (left by " - " in a file
    // name) becomes two, not one.
    text = replaceAll(text, "  ", " ");

    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace kestro
