#pragma once
// Whether a finished file keeps the published rules of the target it was made for: one row per
// rule, with what the rule expects and what the file has.

#include "core/model/output_target.hpp"
#include "core/result.hpp"

#include <string>
#include <vector>

namespace kestro {

struct CheckRow {
    std::string rule, expected, actual;
    bool pass;
};

struct CheckReport {
    OutputTarget target;
    std::vector<CheckRow> rows;
    bool passed() const;
};

Result<CheckReport, std::string> checkOutput(const std::string& path, OutputTarget target);

}  // namespace kestro
