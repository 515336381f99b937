#pragma once
// Whether a file meets what its target asks: a store's published rules for its preview or
// promo video and feature graphic, or the plain facts a format promises (decodable, its codec,
// transparency where it keeps it). Any file is checked, whichever program made it; every rule is
// measured from the file, and the report lists each one with what was expected and found.

#include "core/model/output_target.hpp"
#include "core/result.hpp"

#include <string>
#include <vector>

namespace kestro {

struct CheckRow {
    std::string rule;      // "size", "frame rate", ...
    std::string expected;  // as people read it: "886×1920 or 1920×886"
    std::string actual;    // what the file holds, in the same units
    bool pass = false;
};

struct CheckReport {
    OutputTarget target = OutputTarget::mp4;
    std::vector<CheckRow> rows;
    // True when every row passes (and there is at least one).
    bool passed() const;
};

// Fails, with a message for people, when the file is missing or is not what the target is made
// of at all (not a movie for a movie target, not a PNG for a picture target); a file of the
// right kind that breaks rules is a report with failing rows.
Result<CheckReport, std::string> checkOutput(const std::string& path, OutputTarget target);

}  // namespace kestro
