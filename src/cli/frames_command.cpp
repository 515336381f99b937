// kestro-cli frames: the device frame catalogue, as a table or as JSON.
#include "cli/cli_output.hpp"
#include "cli/commands.hpp"
#include "cli/frame_choice.hpp"
#include "core/model/frame_catalog.hpp"
#include "core/model/frame_image.hpp"
#include "core/model/resources.hpp"
#include "core/thread_name.hpp"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestro::cli {

namespace {

struct FrameRow {
    const FramePreset* preset = nullptr;
    std::string groupId;
    std::optional<std::filesystem::path> image;
    std::optional<ScreenRect> detected;  // the opening the editor will use, when the image has one
    bool landscapeImage = false;         // drawn wider than tall
};

// Terminal columns taken by UTF-8 text: one per code point, two for emoji (group titles).
std::size_t displayWidth(const std::string& text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) == 0x80) continue;
        width += byte >= 0xF0 ? 2 : 1;
    }
    return width;
}

std::string padded(const std::string& text, std::size_t width) {
    const std::size_t used = displayWidth(text);
    return text + std::string(width > used ? width - used : 0, ' ');
}

std::string formatRect(const ScreenRect& r) {
    char text[96];
    std::snprintf(text, sizeof text, "x %.2f  y %.2f  w %.2f  h %.2f", r.x, r.y, r.w, r.h);
    return text;
}

// Decoding a full-size frame takes tens of milliseconds, so the frames are analysed on a few
// worker threads ("kestro-frames"). Each worker claims rows through the shared counter and
// writes only the rows it claimed; the catalogue itself is read-only.
void analyseRows(std::vector<FrameRow>& rows, const std::filesystem::path& resources) {
    std::atomic<std::size_t> next{0};
    auto work = [&rows, &next, &resources] {
        for (std::size_t i = next++; i < rows.size(); i = next++) {
            FrameRow& row = rows[i];
            if (!row.preset->bundleImageName) continue;
            const auto& name = *row.preset->bundleImageName;
            const auto url = frameImageURL(name, resources);
            if (!url) continue;
            std::error_code error;
            auto absolute = std::filesystem::absolute(*url, error);
            row.image = error ? *url : absolute.lexically_normal();
            if (auto image = loadTrimmedPng(*url)) {
                row.detected = detectScreenRect(*image);
                row.landscapeImage = image->width > image->height;
            }
        }
    };
    const unsigned workers = std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, 4);
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < workers && i < rows.size(); ++i) {
        threads.emplace_back([&work] {
            nameThisThread("kestro-frames");
            work();
        });
    }
    work();
    for (auto& thread : threads) thread.join();
}

std::vector<FrameRow> collectRows(const FullCatalog& catalog) {
    std::vector<FrameRow> rows;
    for (const FramePreset& preset : catalog.presets) {
        rows.push_back(FrameRow{&preset, presetGroupId(preset), std::nullopt, std::nullopt});
    }
    analyseRows(rows, resourcesDir());
    return rows;
}

// Every frame with an image can be shown either way round; the way it is drawn comes first.
nlohmann::json orientationsOf(const FrameRow& row) {
    if (!row.image) return nlohmann::json::array({"portrait"});
    return row.landscapeImage ? nlohmann::json::array({"landscape", "portrait"})
                              : nlohmann::json::array({"portrait", "landscape"});
}

void printTable(const std::vector<FrameRow>& rows) {
    const std::vector<std::string> headers{"KEY", "LABEL", "GROUP", "OPENING (%)"};
    std::vector<std::vector<std::string>> cells;
    for (const FrameRow& row : rows) {
        const std::string opening =
            row.detected ? formatRect(*row.detected)
                         : formatRect(row.preset->defaultScreen) +
                               (row.image ? "  (default: none detected)" : "  (default: no image)");
        cells.push_back(
            {row.preset->key, row.preset->label, frameGroupTitle(row.groupId), opening});
    }
    std::vector<std::size_t> widths;
    for (const auto& header : headers) widths.push_back(displayWidth(header));
    for (const auto& line : cells) {
        for (std::size_t c = 0; c < line.size(); ++c) {
            widths[c] = std::max(widths[c], displayWidth(line[c]));
        }
    }
    auto printLine = [&widths](const std::vector<std::string>& line) {
        std::string text;
        for (std::size_t c = 0; c < line.size(); ++c) {
            text += c + 1 < line.size() ? padded(line[c], widths[c] + 2) : line[c];
        }
        std::cout << text << '\n';
    };
    printLine(headers);
    for (const auto& line : cells) printLine(line);
    std::cout << rows.size() << (rows.size() == 1 ? " frame" : " frames") << " in "
              << resourcesDir().string() << '\n';
}

nlohmann::json toJson(const std::vector<FrameRow>& rows) {
    nlohmann::json list = nlohmann::json::array();
    for (const FrameRow& row : rows) {
        list.push_back({
            {"key", row.preset->key},
            {"label", row.preset->label},
            {"group", row.groupId},
            {"image", row.image ? nlohmann::json(row.image->string()) : nlohmann::json(nullptr)},
            {"defaultScreen", row.preset->defaultScreen},
            {"screen", row.detected ? nlohmann::json(*row.detected) : nlohmann::json(nullptr)},
            {"orientations", orientationsOf(row)},
        });
    }
    return list;
}

}  // namespace

void addFramesCommand(CLI::App& app, Runner& run) {
    auto json = std::make_shared<bool>(false);
    auto dirs = std::make_shared<std::vector<std::string>>();
    auto* sub = app.add_subcommand(
        "frames", "List the device frame catalogue: key, label, group, image and screen opening");
    sub->add_flag("--json", *json, "Print the catalogue as JSON");
    sub->add_option("--frames-dir", *dirs,
                    "A folder of your own frame PNGs (repeatable; KESTRO_FRAMES_PATH adds more)");
    sub->callback([&run, json, dirs] {
        run = [json, dirs] {
            const FullCatalog catalog = fullCatalog(framesFolders(*dirs));
            // PNGs that cannot serve as frames are named with the reason, never silently lost.
            for (const SkippedFrame& skipped : catalog.skipped) {
                std::fprintf(stderr, "Skipped %s: %s\n", skipped.file.string().c_str(),
                             skipped.reason.c_str());
            }
            const auto rows = collectRows(catalog);
            if (*json) {
                printJson(toJson(rows));
            } else {
                printTable(rows);
            }
            return kExitOk;
        };
    });
}

}  // namespace kestro::cli
