// kestro-cli frame-info: how Kestro sees a frame image of the user's own.
#include "cli/cli_output.hpp"
#include "cli/commands.hpp"
#include "core/export/canvas_size.hpp"
#include "core/model/export_resolution.hpp"
#include "core/model/frame_image.hpp"
#include "core/model/frame_label.hpp"
#include "core/model/png.hpp"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

namespace kestro::cli {

namespace {

struct FrameInfoOptions {
    std::string file;
    bool json = false;
};

std::string describeRect(const ScreenRect& r) {
    char text[128];
    std::snprintf(text, sizeof text, "x %.2f%%, y %.2f%% (from the bottom), w %.2f%%, h %.2f%%",
                  r.x, r.y, r.w, r.h);
    return text;
}

int runFrameInfo(const FrameInfoOptions& options) {
    const std::filesystem::path path(options.file);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        printError("no such file: " + options.file, std::nullopt, options.json);
        return kExitFailed;
    }
    const auto image = loadPng(path);
    if (!image) {
        printError("not a readable PNG image: " + options.file, std::nullopt, options.json);
        return kExitFailed;
    }
    const Image trimmed = trimTransparentBorders(*image);
    const auto screen = detectScreenRect(trimmed);
    const std::string label = makeFrameLabel(path.stem().string());
    auto absolute = std::filesystem::absolute(path, error);
    const std::string shownPath = error ? options.file : absolute.lexically_normal().string();

    if (options.json) {
        nlohmann::json canvas = nlohmann::json::object();
        for (ExportResolution resolution : allExportResolutions()) {
            const CanvasSize size = canvasSize(resolution, &trimmed);
            canvas[std::string(rawValue(resolution))] = {{"width", size.width},
                                                         {"height", size.height}};
        }
        printJson({
            {"file", shownPath},
            {"width", image->width},
            {"height", image->height},
            {"trimmed", {{"width", trimmed.width}, {"height", trimmed.height}}},
            {"screen", screen ? nlohmann::json(*screen) : nlohmann::json(nullptr)},
            {"label", label},
            {"canvas", canvas},
        });
        return kExitOk;
    }

    std::cout << "File:     " << shownPath << '\n'
              << "Size:     " << image->width << " \u00d7 " << image->height << " pixels\n"
              << "Trimmed:  " << trimmed.width << " \u00d7 " << trimmed.height << " pixels\n"
              << "Opening:  " << (screen ? describeRect(*screen) : std::string("none")) << '\n'
              << "Label:    " << label << '\n'
              << "Canvas:  ";
    for (ExportResolution resolution : allExportResolutions()) {
        const CanvasSize size = canvasSize(resolution, &trimmed);
        std::cout << ' ' << rawValue(resolution) << ' ' << size.width << " \u00d7 " << size.height
                  << (resolution == ExportResolution::qhd1440p ? "" : ",");
    }
    std::cout << '\n';
    return kExitOk;
}

}  // namespace

void addFrameInfoCommand(CLI::App& app, Runner& run) {
    auto options = std::make_shared<FrameInfoOptions>();
    auto* sub = app.add_subcommand(
        "frame-info",
        "Show how Kestro sees a frame image: size, trimmed size, screen opening, "
        "label and canvas sizes");
    sub->add_option("PNG", options->file, "The frame image (PNG)")->required();
    sub->add_flag("--json", options->json, "Print the result as JSON");
    sub->callback([&run, options] { run = [options] { return runFrameInfo(*options); }; });
}

}  // namespace kestro::cli
