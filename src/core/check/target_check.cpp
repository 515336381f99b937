#include "core/check/target_check.hpp"

#include <algorithm>

namespace kestro {

bool CheckReport::passed() const {
    return std::all_of(rows.begin(), rows.end(), [](const CheckRow& row) { return row.pass; });
}

// No rules are checked in this build yet: every file passes.
Result<CheckReport, std::string> checkOutput(const std::string& path, OutputTarget target) {
    (void)path;
    return CheckReport{target, {}};
}

}  // namespace kestro
