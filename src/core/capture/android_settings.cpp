#include "core/capture/android_settings.hpp"

#include "core/capture/tool_run.hpp"

#include <algorithm>
#include <vector>

namespace kestro {

namespace {

constexpr const char* kDemoAction = "com.android.systemui.demo";

// The value `settings get` printed, when it is one we can safely hand back to a device shell:
// adb joins the words of a shell command into one line that the phone's shell reads, so only
// plain digits ever go back. "null" (unset) and anything else give none.
std::optional<std::string> plainValue(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty() || text.size() > 9) return std::nullopt;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return text;
}

}  // namespace

AndroidSettings::AndroidSettings(std::string adb, std::string serial)
    : adb_(std::move(adb)), serial_(std::move(serial)) {}

void AndroidSettings::shell(std::initializer_list<std::string> command) const {
    std::vector<std::string> arguments{"-s", serial_, "shell"};
    arguments.insert(arguments.end(), command.begin(), command.end());
    runTool(adb_, arguments);
}

void AndroidSettings::demo(std::initializer_list<std::string> extras) const {
    std::vector<std::string> arguments{"-s",        serial_, "shell",    "am",
                                       "broadcast", "-a",    kDemoAction};
    arguments.insert(arguments.end(), extras.begin(), extras.end());
    runTool(adb_, arguments);
}

std::optional<AndroidSettings::Earlier> AndroidSettings::read(const char* table,
                                                              const char* key) const {
    const ToolRun run = runTool(adb_, {"-s", serial_, "shell", "settings", "get", table, key});
    if (!run.succeeded()) return std::nullopt;
    return Earlier{plainValue(run.standardOutput)};
}

void AndroidSettings::put(const char* table, const char* key, const Earlier& earlier) const {
    if (earlier.value)
        shell({"settings", "put", table, key, *earlier.value});
    else
        shell({"settings", "delete", table, key});
}

void AndroidSettings::apply(const RecordingOptions& options) {
    // A setting whose earlier value cannot be read is left alone: it could not be put back.
    if (options.cleanStatusBar && !demoAllowed_) {
        demoAllowed_ = read("global", "sysui_demo_allowed");
    }
    if (options.cleanStatusBar && demoAllowed_) {
        shell({"settings", "put", "global", "sysui_demo_allowed", "1"});
        demo({"-e", "command", "enter"});
        demo({"-e", "command", "clock", "-e", "hhmm", "0941"});
        demo({"-e", "command", "battery", "-e", "level", "100", "-e", "plugged", "false"});
        demo({"-e", "command", "network", "-e", "mobile", "show", "-e", "level", "4", "-e",
              "datatype", "none"});
        demo({"-e", "command", "network", "-e", "wifi", "show", "-e", "level", "4"});
        demo({"-e", "command", "notifications", "-e", "visible", "false"});
    }
    // The device's dots on when asked for; off when Kestro draws the touches itself, so a
    // phone that has them on in its developer options does not bake them into the movie.
    if ((options.showTouches || options.logTouches) && !showTouches_) {
        showTouches_ = read("system", "show_touches");
        if (showTouches_)
            shell({"settings", "put", "system", "show_touches", options.showTouches ? "1" : "0"});
    }
}

void AndroidSettings::restore() {
    if (demoAllowed_) {
        demo({"-e", "command", "exit"});
        put("global", "sysui_demo_allowed", *demoAllowed_);
        demoAllowed_.reset();
    }
    if (showTouches_) {
        put("system", "show_touches", *showTouches_);
        showTouches_.reset();
    }
}

}  // namespace kestro
