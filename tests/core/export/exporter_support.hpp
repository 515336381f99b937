#pragma once
// What the exporter tests share: a small request and a run with recorded progress.

#include "core/export/av_exporter.hpp"
#include "core/model/frame_image.hpp"
#include "core/model/png.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace kestro::test {

// A 200 x 400 canvas (tiny, so exports take well under a second), the opening in the middle.
inline ExportConfig smallConfig(ExportFormat format = ExportFormat::mp4) {
    ExportConfig config;
    config.format = format;
    config.width = 200;
    config.height = 400;
    config.trimStart = 0;
    config.trimEnd = 1e9;
    config.screen = ScreenRect{20, 10, 60, 80};  // R = (38, 38, 124, 324) once grown
    config.scale = 1;
    config.fitMode = VideoFitMode::fill;
    config.background = BackgroundFill::color(0, 0, 1);  // blue
    return config;
}

struct RunResult {
    Result<ExportedMovie, ExportError> result = fail(ExportError::exportFailed());
    std::vector<double> progress;
};

inline RunResult runExport(const std::filesystem::path& input,
                           const std::optional<std::filesystem::path>& frame,
                           const ExportConfig& config, const std::filesystem::path& output,
                           AVFExporter::CancelQuery cancel = {},
                           AVFExporter::Options options = {}) {
    RunResult run;
    // The front ends hand the engine the image they loaded and refuse one they cannot read.
    std::shared_ptr<const Image> image;
    if (frame) {
        auto loaded = loadTrimmedPng(*frame);
        if (!loaded) return run;  // failed, nothing written
        image = std::make_shared<const Image>(std::move(*loaded));
    }
    run.result = AVFExporter(std::move(options))
                     .exportVideo(
                         input, std::move(image), config, output,
                         [&run](double p) { run.progress.push_back(p); }, std::move(cancel));
    return run;
}

// A rectangle (any type with x, y, w, h) matches, each side within `tolerance`.
template <class Box>
void expectBox(const Box& r, double x, double y, double w, double h, double tolerance) {
    EXPECT_NEAR(r.x, x, tolerance);
    EXPECT_NEAR(r.y, y, tolerance);
    EXPECT_NEAR(r.w, w, tolerance);
    EXPECT_NEAR(r.h, h, tolerance);
}

// An export that has to succeed: the assertion carries the engine's error when it fails.
inline ::testing::AssertionResult exported(const std::filesystem::path& input,
                                           const ExportConfig& config,
                                           const std::filesystem::path& output,
                                           const std::optional<std::filesystem::path>& frame = {}) {
    const RunResult run = runExport(input, frame, config, output);
    if (run.result) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << run.result.error().errorDescription();
}

}  // namespace kestro::test
