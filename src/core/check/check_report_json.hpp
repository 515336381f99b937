#pragma once
// A check report as JSON, the one shape `check --json` prints and a render report embeds:
// {"target": "app-store-iphone", "passed": false,
//  "checks": [{"rule": "size", "expected": "...", "actual": "...", "pass": true}, ...]}

#include "core/check/target_check.hpp"

#include <nlohmann/json.hpp>

namespace kestro {

nlohmann::json checkReportJson(const CheckReport& report);

}  // namespace kestro
