#include "core/check/check_report_json.hpp"

#include <string>

namespace kestro {

nlohmann::json checkReportJson(const CheckReport& report) {
    nlohmann::json checks = nlohmann::json::array();
    for (const CheckRow& row : report.rows) {
        checks.push_back({{"rule", row.rule},
                          {"expected", row.expected},
                          {"actual", row.actual},
                          {"pass", row.pass}});
    }
    return {{"target", std::string(rawValue(report.target))},
            {"passed", report.passed()},
            {"checks", std::move(checks)}};
}

}  // namespace kestro
