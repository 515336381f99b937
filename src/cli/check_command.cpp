// kestro-cli check: whether a movie or picture, made by Kestro or any other program, meets its
// target's rules; a table of every rule, or one JSON object. Exit 0 when all pass, 1 when any
// fails or the file cannot be read as the target's kind, 2 for bad usage.

#include "cli/cli_output.hpp"
#include "cli/commands.hpp"
#include "core/check/check_report_json.hpp"
#include "core/check/target_check.hpp"
#include "core/model/output_target.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace kestro::cli {

namespace {

struct CheckOptions {
    std::string file;
    std::string target;
    bool json = false;
};

// Columns are lined up by characters as a terminal shows them: "×" and "–" take one cell but
// several bytes.
std::size_t displayWidth(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string padded(const std::string& text, std::size_t width) {
    return text + std::string(width - std::min(width, displayWidth(text)), ' ');
}

void printTable(const std::string& file, const CheckReport& report) {
    std::array<std::size_t, 3> widths{displayWidth("rule"), displayWidth("expected"),
                                      displayWidth("actual")};
    for (const CheckRow& row : report.rows) {
        widths[0] = std::max(widths[0], displayWidth(row.rule));
        widths[1] = std::max(widths[1], displayWidth(row.expected));
        widths[2] = std::max(widths[2], displayWidth(row.actual));
    }
    auto line = [&widths](const std::string& a, const std::string& b, const std::string& c,
                          const std::string& d) {
        std::printf("%s  %s  %s  %s\n", padded(a, widths[0]).c_str(), padded(b, widths[1]).c_str(),
                    padded(c, widths[2]).c_str(), d.c_str());
    };
    std::printf("%s against %s\n\n", file.c_str(), std::string(rawValue(report.target)).c_str());
    line("rule", "expected", "actual", "pass");
    for (const CheckRow& row : report.rows) {
        line(row.rule, row.expected, row.actual, row.pass ? "yes" : "NO");
    }
    const auto failed = std::count_if(report.rows.begin(), report.rows.end(),
                                      [](const CheckRow& row) { return !row.pass; });
    if (failed == 0) {
        std::printf("\nPassed: all %zu rules met.\n", report.rows.size());
    } else {
        std::printf("\nFailed: %ld of %zu rules broken.\n", static_cast<long>(failed),
                    report.rows.size());
    }
}

std::string targetNames() {
    std::string names;
    for (const OutputTarget target : allOutputTargets()) {
        if (!names.empty()) names += ", ";
        names += rawValue(target);
    }
    return names;
}

int runCheck(const CheckOptions& options) {
    const auto target = outputTargetFromRaw(options.target);
    if (!target) {
        printError("Unknown target \"" + options.target + "\"; use one of " + targetNames() + ".",
                   std::nullopt, options.json);
        return kExitUsage;
    }
    const auto report = checkOutput(options.file, *target);
    if (!report) {
        printError(report.error(), std::nullopt, options.json);
        return kExitFailed;
    }
    if (options.json) {
        nlohmann::json object = checkReportJson(*report);
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(options.file, error);
        object["file"] = error ? options.file : absolute.string();
        printJson(object);
    } else {
        printTable(options.file, *report);
    }
    return report->passed() ? kExitOk : kExitFailed;
}

}  // namespace

void addCheckCommand(CLI::App& app, Runner& run) {
    auto options = std::make_shared<CheckOptions>();
    auto* sub = app.add_subcommand(
        "check",
        "Check a movie or picture, made by any program, against a target's rules (a store's "
        "preview, promo video or feature graphic, or a plain format) and print each rule with "
        "what was expected and found.");
    sub->add_option("file", options->file, "The movie or picture to check")->required();
    sub->add_option("--target", options->target, "One of: " + targetNames())->required();
    sub->add_flag("--json", options->json, "Print the report as one JSON object");
    sub->callback([&run, options] { run = [options] { return runCheck(*options); }; });
}

}  // namespace kestro::cli
