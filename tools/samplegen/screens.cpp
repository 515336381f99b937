#include "screens.hpp"

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "contacts.hpp"
#include "timeline.hpp"
#include "ui_kit.hpp"

namespace kestro::samplegen {

using framegen::hex;
using framegen::roundedRect;

namespace {

constexpr double kNavBottom = 98;  // status bar + navigation bar
constexpr double kRowHeight = 76;
constexpr double kFirstRow = 104;  // below the large title and the search field

void drawNavBarBackground(cairo_t* cr, double separatorAlpha) {
    cairo_rectangle(cr, 0, 0, kWidth, kNavBottom);
    setColour(cr, hex(0xf9f9f9), 0.97 * separatorAlpha + (1 - separatorAlpha));
    cairo_fill(cr);
    cairo_rectangle(cr, 0, kNavBottom - 0.4, kWidth, 0.4);
    setColour(cr, hex(0xb2b2b2), separatorAlpha);
    cairo_fill(cr);
}

void drawComposeIcon(cairo_t* cr, double x, double y) {
    setColour(cr, kBlue);
    cairo_set_line_width(cr, 2);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    roundedRect(cr, x, y, 20, 20, 5);
    cairo_stroke(cr);
    cairo_move_to(cr, x + 8, y + 12);
    cairo_line_to(cr, x + 22, y - 2);
    cairo_set_line_width(cr, 2.4);
    cairo_stroke(cr);
}

void drawSearchField(cairo_t* cr, double top) {
    roundedRect(cr, 16, top, kWidth - 32, 36, 10);
    setColour(cr, hex(0x767680), 0.12);
    cairo_fill(cr);
    setColour(cr, kSecondary);
    cairo_set_line_width(cr, 2);
    cairo_arc(cr, 33, top + 17, 6, 0, 2 * std::numbers::pi);
    cairo_stroke(cr);
    cairo_move_to(cr, 37.5, top + 21.5);
    cairo_line_to(cr, 42, top + 26);
    cairo_stroke(cr);
    drawText(cr, "Search", 50, top + 24, 17, false, kSecondary);
}

void drawRow(cairo_t* cr, const Contact& c, double top, bool unread, double highlight) {
    if (highlight > 0) {
        cairo_rectangle(cr, 0, top, kWidth, kRowHeight);
        setColour(cr, hex(0xd1d1d6), highlight);
        cairo_fill(cr);
    }
    if (unread) {
        cairo_arc(cr, 10, top + kRowHeight / 2, 5, 0, 2 * std::numbers::pi);
        setColour(cr, kBlue);
        cairo_fill(cr);
    }
    drawAvatar(cr, 46, top + kRowHeight / 2, 26, std::string(c.initials), hex(c.colour));
    const double timeWidth = drawText(cr, std::string(c.time), kWidth - 34, top + 30, 15, false,
                                      kSecondary, Align::right);
    drawText(cr, std::string(c.name), 84, top + 30, 16.5, true, kLabel, Align::left,
             kWidth - 84 - 44 - timeWidth);
    drawText(cr, std::string(c.preview), 84, top + 54, 15, false, kSecondary, Align::left,
             kWidth - 84 - 24);
    // Disclosure chevron.
    setColour(cr, hex(0xc4c4c7));
    cairo_set_line_width(cr, 2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, kWidth - 22, top + 20);
    cairo_line_to(cr, kWidth - 17, top + 25);
    cairo_line_to(cr, kWidth - 22, top + 30);
    cairo_stroke(cr);
    cairo_rectangle(cr, 84, top + kRowHeight - 0.4, kWidth - 84, 0.4);
    setColour(cr, kSeparator);
    cairo_fill(cr);
}

struct Message {
    bool mine;
    const char* text;
};

constexpr Message kMessages[] = {
    {true, "Morning! Are we still on for the launch review?"},
    {false, "Yes, 3 pm. I'll bring the trailer cut"},
    {true, "Perfect"},
    {false, "Did you see the new frames?"},
    {true, "Yes! The titanium ones look real"},
    {false, "Drop a recording in and it fits the screen exactly, no cropping"},
    {true, "Trying it with the app demo now"},
};
constexpr Message kArriving = {false, "Send me the export when it's done!"};

constexpr double kBubbleFont = 16.5;
constexpr double kLineHeight = 21;
constexpr double kBubbleMaxText = 250;
constexpr double kBubblePadX = 13;
constexpr double kBubblePadY = 8;
constexpr double kBubbleGap = 6;

std::vector<std::string> wrap(cairo_t* cr, const std::string& text) {
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kBubbleFont);
    std::vector<std::string> lines;
    std::string line;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(' ', pos);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(pos, end - pos);
        const std::string candidate = line.empty() ? word : line + " " + word;
        cairo_text_extents_t ext;
        cairo_text_extents(cr, candidate.c_str(), &ext);
        if (ext.x_advance > kBubbleMaxText && !line.empty()) {
            lines.push_back(line);
            line = word;
        } else {
            line = candidate;
        }
        pos = end + 1;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

double textWidth(cairo_t* cr, const std::vector<std::string>& lines) {
    double w = 0;
    for (const auto& l : lines) {
        cairo_text_extents_t ext;
        cairo_text_extents(cr, l.c_str(), &ext);
        w = std::max(w, ext.x_advance);
    }
    return w;
}

double bubbleHeight(cairo_t* cr, const Message& m) {
    return static_cast<double>(wrap(cr, m.text).size()) * kLineHeight + 2 * kBubblePadY;
}

// A message bubble whose bottom edge lies at `bottom`; `grow` (spring, 0..~1.1) scales it from
// its lower outer corner as it arrives.
void drawBubble(cairo_t* cr, const Message& m, double bottom, double grow = 1.0) {
    const auto lines = wrap(cr, m.text);
    const double w = textWidth(cr, lines) + 2 * kBubblePadX;
    const double h = static_cast<double>(lines.size()) * kLineHeight + 2 * kBubblePadY;
    const double x = m.mine ? kWidth - 14 - w : 14;
    const double y = bottom - h;
    if (grow < 0.01) return;
    cairo_save(cr);
    const double ox = m.mine ? x + w : x;
    cairo_translate(cr, ox, bottom);
    cairo_scale(cr, grow, grow);
    cairo_translate(cr, -ox, -bottom);
    roundedRect(cr, x, y, w, h, 18);
    setColour(cr, m.mine ? kBlue : kFill);
    cairo_fill(cr);
    for (size_t i = 0; i < lines.size(); ++i)
        drawText(cr, lines[i], x + kBubblePadX,
                 y + kBubblePadY + 16 + static_cast<double>(i) * kLineHeight, kBubbleFont, false,
                 m.mine ? hex(0xffffff) : kLabel);
    cairo_restore(cr);
}

void drawTypingBubble(cairo_t* cr, double bottom, double grow, double t) {
    if (grow < 0.01) return;  // a zero scale would put the context into an error state
    const double w = 62, h = 36, x = 14, y = bottom - h;
    cairo_save(cr);
    cairo_translate(cr, x, bottom);
    cairo_scale(cr, grow, grow);
    cairo_translate(cr, -x, -bottom);
    roundedRect(cr, x, y, w, h, 18);
    setColour(cr, kFill);
    cairo_fill(cr);
    for (int i = 0; i < 3; ++i) {
        // Each dot pulses in turn.
        const double phase = std::sin(2 * std::numbers::pi * (t * 1.6 - i * 0.18));
        cairo_arc(cr, x + 18 + i * 13, y + h / 2, 4.2, 0, 2 * std::numbers::pi);
        setColour(cr, hex(0x8e8e93), 0.45 + 0.3 * (phase > 0 ? phase : 0));
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void drawInputBar(cairo_t* cr) {
    const double top = kHeight - 84;
    cairo_rectangle(cr, 0, top, kWidth, 84);
    setColour(cr, hex(0xffffff));
    cairo_fill(cr);
    cairo_arc(cr, 30, top + 26, 16, 0, 2 * std::numbers::pi);
    setColour(cr, kFill);
    cairo_fill(cr);
    setColour(cr, hex(0x6d6d72));
    cairo_set_line_width(cr, 2.2);
    cairo_move_to(cr, 30, top + 19);
    cairo_line_to(cr, 30, top + 33);
    cairo_move_to(cr, 23, top + 26);
    cairo_line_to(cr, 37, top + 26);
    cairo_stroke(cr);
    roundedRect(cr, 56, top + 9, kWidth - 72, 34, 17);
    setColour(cr, hex(0xc7c7cc));
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    drawText(cr, "Message", 72, top + 31, 16.5, false, hex(0xb0b0b5));
    drawHomeIndicator(cr);
}

}  // namespace

void drawInbox(cairo_t* cr, double scroll, double highlight) {
    cairo_rectangle(cr, 0, 0, kWidth, kHeight);
    setColour(cr, hex(0xffffff));
    cairo_fill(cr);
    const double origin = kNavBottom - scroll;
    drawText(cr, "Chats", 16, origin + 40, 34, true, kLabel);
    drawSearchField(cr, origin + 54);
    for (size_t i = 0; i < kContacts.size(); ++i) {
        const double top = origin + kFirstRow + static_cast<double>(i) * kRowHeight;
        if (top > kHeight || top + kRowHeight < 0) continue;
        drawRow(cr, kContacts[i], top, i < 3, static_cast<int>(i) == kTappedRow ? highlight : 0.0);
    }
    // Once the large title has scrolled under the bar, the bar turns translucent and shows a
    // compact title, as navigation bars do.
    const double collapse = clamp01((scroll - 30) / 24);
    drawNavBarBackground(cr, collapse);
    drawText(cr, "Chats", kWidth / 2, 80, 17, true, kLabel, Align::centre, 0, collapse);
    drawText(cr, "Edit", 16, 80, 17, false, kBlue);
    drawComposeIcon(cr, kWidth - 42, 62);
    drawTabBar(cr, 0);
}

void drawConversation(cairo_t* cr, double t) {
    cairo_rectangle(cr, 0, 0, kWidth, kHeight);
    setColour(cr, hex(0xffffff));
    cairo_fill(cr);

    // The newest item sits just above the input bar and pushes the others up as it grows.
    const double typingAt = (t - kTypingStart) / 0.55;
    const double arrivedAt = (t - kMessageTime) / 0.55;
    const double typingH = 36, messageH = bubbleHeight(cr, kArriving);
    double slot = 0;
    if (t >= kMessageTime)
        slot = typingH + (messageH - typingH) * spring(arrivedAt);
    else if (t >= kTypingStart)
        slot = typingH * clamp01(spring(typingAt));
    double bottom = kHeight - 96;
    if (t >= kMessageTime)
        drawBubble(cr, kArriving, bottom, std::min(1.0, 0.4 + 0.6 * spring(arrivedAt)));
    else if (t >= kTypingStart)
        drawTypingBubble(cr, bottom, clamp01(spring(typingAt)), t);
    bottom -= slot + (slot > 0 ? 14 : 0);
    for (int i = static_cast<int>(std::size(kMessages)) - 1; i >= 0; --i) {
        drawBubble(cr, kMessages[i], bottom);
        const bool senderChanges = i > 0 && kMessages[i - 1].mine != kMessages[i].mine;
        bottom -= bubbleHeight(cr, kMessages[i]) + (senderChanges ? 14 : kBubbleGap);
    }
    drawText(cr, "Today 9:12", kWidth / 2, bottom - 12, 12, false, kSecondary, Align::centre);

    // Navigation bar: back button, the contact's avatar and name.
    cairo_rectangle(cr, 0, 0, kWidth, kNavBottom + 14);
    setColour(cr, hex(0xf9f9f9), 0.96);
    cairo_fill(cr);
    cairo_rectangle(cr, 0, kNavBottom + 14 - 0.4, kWidth, 0.4);
    setColour(cr, hex(0xb2b2b2));
    cairo_fill(cr);
    const double pressed = (t >= kBackTap - 0.08 && t < kBackTap + 0.2) ? 0.35 : 1.0;
    setColour(cr, kBlue, pressed);
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, 20, 64);
    cairo_line_to(cr, 11, 74);
    cairo_line_to(cr, 20, 84);
    cairo_stroke(cr);
    drawText(cr, "Chats", 27, 80, 17, false, kBlue, Align::left, 0, pressed);
    const Contact& c = kContacts[kTappedRow];
    drawAvatar(cr, kWidth / 2, 70, 20, std::string(c.initials), hex(c.colour));
    drawText(cr, std::string(c.name), kWidth / 2, 106, 11.5, false, kLabel, Align::centre);
    drawInputBar(cr);
}

}  // namespace kestro::samplegen
