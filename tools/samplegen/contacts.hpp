#pragma once
// The people in the sample app's inbox: invented names and messages.

#include <array>
#include <string_view>

#include "cairo_util.hpp"

namespace kestro::samplegen {

struct Contact {
    std::string_view name;
    std::string_view initials;
    unsigned colour;
    std::string_view preview;
    std::string_view time;
};

inline constexpr std::array<Contact, 28> kContacts = {{
    {"Maya Lindqvist", "ML", 0xff9f0a, "The slides look great, shipping them tonight", "9:38"},
    {"Design Crew", "DC", 0x5e5ce6, "Noah: new icons are in the shared folder", "9:21"},
    {"Oskar Brandt", "OB", 0x30b0c7, "Can we move the review to 3?", "9:02"},
    {"Priya Raman", "PR", 0xff375f, "Photo", "8:47"},
    {"Léa Moreau", "LM", 0x34c759, "Merci ! See you at the station", "8:15"},
    {"Tomás Ortega", "TO", 0xac8e68, "Voice message · 0:42", "Yesterday"},
    {"Hannah Kim", "HK", 0x0a84ff, "That demo video was so smooth", "Yesterday"},
    {"Weekend Hike", "WH", 0x64d2ff, "Ines: forecast says sunny all day", "Yesterday"},
    {"Felix Novak", "FN", 0xbf5af2, "Sent the invoice, thanks again", "Yesterday"},
    {"Amara Okafor", "AO", 0xff9f0a, "Haha yes, exactly that", "Friday"},
    {"Jonas Weber", "JW", 0x32ade6, "Build is green again", "Friday"},
    {"Sofia Rossi", "SR", 0xff453a, "Dinner at 8? I booked the usual place", "Friday"},
    {"Kenji Watanabe", "KW", 0x30d158, "Link: framing your app previews", "Thursday"},
    {"Grace Miller", "GM", 0x5e5ce6, "Happy birthday!!", "Thursday"},
    {"Lucas Silva", "LS", 0xffd60a, "I'll bring the projector", "Wednesday"},
    {"Elena Petrova", "EP", 0xff2d55, "Did you see the new frames?", "Wednesday"},
    {"Marcus Hill", "MH", 0x8e8e93, "Okay, talk soon", "Tuesday"},
    {"Nora Berg", "NB", 0x40c8e0, "Sticker", "Tuesday"},
    {"Product Team", "PT", 0x0a84ff, "Ava: release notes draft is up", "Monday"},
    {"Isaac Cohen", "IC", 0xa2845e, "Thanks for the ride!", "Monday"},
    {"Zoe Laurent", "ZL", 0xbf5af2, "Let me check and get back to you", "Sunday"},
    {"Omar Haddad", "OH", 0x34c759, "Location", "Sunday"},
    {"Chloé Martin", "CM", 0xff9f0a, "The trailer is 42 seconds now", "Saturday"},
    {"Daniel Young", "DY", 0x64d2ff, "Perfect, thank you", "12/2/26"},
    {"Running Club", "RC", 0xff375f, "Mia: 7 am at the bridge", "11/30/26"},
    {"Ruth Adler", "RA", 0x5856d6, "See attached", "11/29/26"},
    {"Victor Hugo", "VH", 0x30b0c7, "Ha, classic", "11/28/26"},
    {"Yara Nasser", "YN", 0xffcc00, "On my way", "11/27/26"},
}};

}  // namespace kestro::samplegen
