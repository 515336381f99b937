#include "core/model/android_frame_match.hpp"

#include "core/model/frame_label.hpp"

#include <array>
#include <string>

namespace kestro {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Words split at spaces, underscores, dashes and letter-digit boundaries: "SM S928B" gives
// "sm", "s", "928", "b"; "Galaxy S 24 Ultra Titanium" gives "galaxy", "s", "24", "ultra", ...
std::vector<std::string> wordsOf(std::string_view text) {
    std::vector<std::string> words;
    std::string current;
    const auto flush = [&] {
        if (!current.empty()) words.push_back(current);
        current.clear();
    };
    for (char c : toLowerAscii(text)) {
        if (c == ' ' || c == '_' || c == '-' || c == '+') {
            flush();
            if (c == '+') words.emplace_back("plus");
            continue;
        }
        if (!current.empty() && isDigit(current.back()) != isDigit(c)) flush();
        current.push_back(c);
    }
    flush();
    return words;
}

bool has(const std::vector<std::string>& words, std::string_view word) {
    for (const auto& w : words)
        if (w == word) return true;
    return false;
}

std::string firstNumber(const std::vector<std::string>& words) {
    for (const auto& w : words)
        if (!w.empty() && isDigit(w.front())) return w;
    return {};
}

struct Described {
    std::string family;  // "pixel", "galaxy" or empty
    std::vector<std::string> words;
    std::string number;
};

// Samsung phones report their model code ("SM-S928B"): the S series' last digit tells the size
// (1 plain, 6 plus, 8 ultra) and the digit before it the generation (2 for the S24).
Described describe(std::string_view name) {
    Described d;
    d.words = wordsOf(name);
    if (has(d.words, "pixel")) d.family = "pixel";
    if (has(d.words, "galaxy")) d.family = "galaxy";
    if (d.words.size() >= 3 && d.words[0] == "sm" && d.words[1] == "s" && d.words[2].size() == 3) {
        d.family = "galaxy";
        const char generation = d.words[2][1];
        const char size = d.words[2][2];
        d.number = std::to_string(22 + (generation - '0'));
        if (size == '8') d.words.emplace_back("ultra");
        if (size == '6') d.words.emplace_back("plus");
        return d;
    }
    d.number = firstNumber(d.words);
    return d;
}

constexpr std::array<std::string_view, 5> kModelWords{"pro", "ultra", "xl", "plus", "fold"};

}  // namespace

const FramePreset* bestAndroidFrame(std::string_view deviceName,
                                    const std::vector<FramePreset>& catalog) {
    const Described device = describe(deviceName);
    const FramePreset* best = nullptr;
    int bestScore = 0;
    for (const FramePreset& preset : catalog) {
        const std::string group = frameGroupId(preset.label);
        if (group != "pixel" && group != "galaxy") continue;
        const Described frame = describe(preset.label);
        // Family first, then each model word both have or both lack, then the model number.
        int score = 1;
        if (!device.family.empty() && frame.family == device.family) score += 100;
        for (std::string_view word : kModelWords)
            if (has(device.words, word) == has(frame.words, word)) score += 10;
        if (!device.number.empty() && device.number == frame.number) score += 1;
        if (score > bestScore) {
            best = &preset;
            bestScore = score;
        }
    }
    return best;
}

}  // namespace kestro
