// kestro-cli render: every output of a project in one run, each checked against its target's
// rules once written.
//
// What the outputs share is worked out once: the project is read and checked, the recording
// probed, the frame image found, read, trimmed and turned, and a background picture read, before
// the first output starts. The movies that show the same timeline then run through the export
// engine together, from one decoding of the recording; each still is made on its own.

#include "cli/cancel_signals.hpp"
#include "cli/cli_output.hpp"
#include "cli/commands.hpp"
#include "cli/frame_choice.hpp"
#include "cli/render_progress.hpp"
#include "core/check/check_report_json.hpp"
#include "core/check/target_check.hpp"
#include "core/export/av_exporter.hpp"
#include "core/export/background_image.hpp"
#include "core/export/export_error.hpp"
#include "core/export/export_request.hpp"
#include "core/export/feature_graphic.hpp"
#include "core/export/shared_timeline.hpp"
#include "core/export/still_image.hpp"
#include "core/media/movie_probe.hpp"
#include "core/project/project_choices.hpp"
#include "core/project/project_file.hpp"
#include "core/project/project_outputs.hpp"
#include "core/thread_name.hpp"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kestro::cli {

namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;

struct RenderOptions {
    std::string project;
    std::string outputDir;
    std::vector<std::string> only;
    bool json = false;
    bool failFast = false;
    bool quiet = false;
    int jobs = 2;
};

// What every output of the run uses, made once.
struct SharedInputs {
    std::optional<VideoSize> recordingSize;
    std::shared_ptr<const Image> frame;
};

struct Outcome {
    bool ok = false;
    bool cancelled = false;
    json entry;
    std::string summary;
};

std::string labelOf(const ProjectOutput& output, const PlannedOutput& planned) {
    return planned.locale.empty() ? output.name : output.name + " (" + planned.locale + ")";
}

// An output's export request, worked out before anything runs; a failure is the output's own.
struct Planned {
    const ProjectOutput* output = nullptr;
    const PlannedOutput* planned = nullptr;
    std::optional<ExportConfig> config;
    std::string error;  // why there is no config
};

Outcome startOutcome(const ProjectOutput& output, const PlannedOutput& planned) {
    Outcome outcome;
    outcome.entry = {{"name", output.name},
                     {"target", std::string(rawValue(output.target))},
                     {"locale", planned.locale.empty() ? json(nullptr) : json(planned.locale)},
                     {"path", planned.path.string()}};
    return outcome;
}

Outcome failedOutcome(Outcome outcome, const std::string& message) {
    outcome.entry["error"] = message;
    outcome.summary = message;
    return outcome;
}

Planned planOne(const Project& project, const ProjectOutput& output, const PlannedOutput& planned,
                const SharedInputs& shared) {
    Planned plan{&output, &planned, std::nullopt, {}};
    auto choices = choicesForOutput(project, output, planned.locale);
    if (!choices) {
        plan.error = choices.error();
        return plan;
    }
    choices->recordingSize = shared.recordingSize;
    if (const auto layout = canvasLayoutFor(*choices, shared.frame.get()); !layout) {
        plan.error = layout.error();
        return plan;
    }
    plan.config = buildExportConfig(*choices, shared.frame.get());
    return plan;
}

// The output's folder; the message when it cannot be made.
std::optional<std::string> makeFolder(const fs::path& path) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) return "Cannot make the folder " + path.parent_path().string() + ": " + error.message();
    return std::nullopt;
}

// The file is written: its size, length and checks go into the report.
Outcome written(Outcome outcome, const Planned& plan) {
    const ProjectOutput& output = *plan.output;
    const fs::path& path = plan.planned->path;
    std::error_code error;
    outcome.entry["size"] = static_cast<std::int64_t>(fs::file_size(path, error));
    outcome.entry["width"] = plan.config->width;
    outcome.entry["height"] = plan.config->height;
    if (isStill(output.target)) {
        outcome.entry["duration"] = nullptr;
    } else {
        const auto info = probeMovie(path);
        outcome.entry["duration"] = info && info->duration > 0 ? json(info->duration) : json(nullptr);
    }

    auto check = checkOutput(path.string(), output.target);
    if (!check) return failedOutcome(std::move(outcome), "The written file could not be checked: " + check.error());
    outcome.entry["checks"] = checkReportJson(*check);
    if (!check->passed()) {
        std::string broken;
        for (const CheckRow& row : check->rows) {
            if (row.pass) continue;
            broken += (broken.empty() ? "" : "; ") + row.rule + " is " + row.actual + ", expected " + row.expected;
        }
        return failedOutcome(std::move(outcome), "Written, but it breaks the target's rules: " + broken);
    }
    outcome.ok = true;
    outcome.summary = path.string();
    return outcome;
}

Outcome renderStill(const Project& project, const Planned& plan, const SharedInputs& shared,
                    const std::function<void(double)>& progress) {
    const ProjectOutput& output = *plan.output;
    const PlannedOutput& planned = *plan.planned;
    Outcome outcome = startOutcome(output, planned);
    if (!plan.config) return failedOutcome(std::move(outcome), plan.error);
    if (auto folder = makeFolder(planned.path)) return failedOutcome(std::move(outcome), *folder);
    const double at = output.at.value_or(project.trimStart);
    auto picture = renderMovieStill(project.recording, at, *plan.config, shared.frame.get());
    // A cancel while the picture was drawn: it is not written, so an earlier file stays as it was.
    if (cancelRequested()) {
        outcome.cancelled = true;
        return failedOutcome(std::move(outcome), ExportError::exportCancelled().errorDescription());
    }
    if (!picture) return failedOutcome(std::move(outcome), picture.error());
    auto saved = output.target == OutputTarget::playFeatureGraphic ? saveFeatureGraphic(*picture, planned.path)
                                                                    : saveStill(*picture, planned.path);
    if (!saved) return failedOutcome(std::move(outcome), saved.error());
    progress(1);
    return written(std::move(outcome), plan);
}

int runRender(const RenderOptions& options) {
    const bool json = options.json;
    auto loaded = loadProject(options.project);
    if (!loaded) {
        printError(loaded.error().describe(), "Nothing was rendered. Fix the project and run render again.", json);
        return kExitFailed;
    }
    const Project& project = *loaded;
    const fs::path outputFolder = options.outputDir.empty()
                                      ? fs::absolute(options.project).parent_path()
                                      : fs::absolute(options.outputDir).lexically_normal();
    auto plan = planOutputs(project, outputFolder);
    if (plan) {
        if (auto spared = checkOutputsSpareInputs(project, *plan, options.project); !spared) {
            plan = fail(spared.error());
        }
    }
    if (!plan) {
        printError(plan.error().describe(), "Nothing was rendered.", json);
        return kExitFailed;
    }

    std::set<std::string> names;
    for (const ProjectOutput& output : project.outputs) names.insert(output.name);
    for (const std::string& name : options.only) {
        if (!names.count(name)) {
            std::string known;
            for (const std::string& n : names) known += (known.empty() ? "" : ", ") + n;
            printError("The project has no output named \"" + name + "\".",
                       known.empty() ? "It has no outputs." : "Its outputs: " + known + ".", json);
            return kExitUsage;
        }
    }
    std::vector<PlannedOutput> chosen;
    for (const PlannedOutput& planned : *plan) {
        const std::string& name = project.outputs[planned.output].name;
        if (options.only.empty() || std::count(options.only.begin(), options.only.end(), name)) {
            chosen.push_back(planned);
        }
    }
    if (chosen.empty()) {
        printError("The project lists no outputs.", "Add one with \"outputs\" or kestro-cli init --output.", json);
        return kExitFailed;
    }

    SharedInputs shared;
    const auto probed = probeMovie(project.recording);
    if (!probed || !probed->hasVideo) {
        printError("Cannot read the recording " + project.recording.string() + ".", "Nothing was rendered.", json);
        return kExitFailed;
    }
    shared.recordingSize = VideoSize{static_cast<double>(probed->video.uprightWidth),
                                     static_cast<double>(probed->video.uprightHeight)};
    FrameFailure frameFailure;
    const std::string frameChoice = !project.frameImage.empty() ? project.frameImage.string() : project.frameKey;
    auto frame = chooseFrame(frameChoice, project.orientation, framesFolders({}), shared.recordingSize, frameFailure);
    if (!frame) {
        printError("/frame: " + frameFailure.message, "Nothing was rendered.", json);
        return kExitFailed;
    }
    shared.frame = std::move(frame->image);
    if (const BackgroundPicture* picture = project.canvas.background.asPicture()) {
        if (auto read = loadBackgroundImage(picture->path); !read) {
            printError("/canvas/background/image: " + read.error(), "Nothing was rendered.", json);
            return kExitFailed;
        }
    }

    std::vector<std::string> labels;
    for (const PlannedOutput& planned : chosen) labels.push_back(labelOf(project.outputs[planned.output], planned));
    RenderProgress progress(!options.quiet, labels);
    const CancelSignals signals;

    // What one thread takes at a time: a still, an output that cannot be made, or every movie
    // of one timeline (the same trim and speeds), which the engine makes from one decoding of
    // the recording. In the order of each one's first output.
    std::vector<Planned> plans;
    for (const PlannedOutput& planned : chosen) {
        plans.push_back(planOne(project, project.outputs[planned.output], planned, shared));
    }
    auto isMovie = [&plans](std::size_t i) { return plans[i].config && !isStill(plans[i].output->target); };
    std::vector<std::vector<std::size_t>> units;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        auto same = std::find_if(units.begin(), units.end(), [&](const std::vector<std::size_t>& unit) {
            return isMovie(i) && isMovie(unit.front()) &&
                   sharesTimeline(*plans[unit.front()].config, *plans[i].config);
        });
        if (same == units.end()) {
            units.push_back({i});
        } else {
            same->push_back(i);
        }
    }

    // Units render side by side on `jobs` threads, taking the next unit in order; each thread
    // writes only the outcomes of its own units, read once all have joined.
    std::vector<std::optional<Outcome>> outcomes(chosen.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    auto ended = [&](std::size_t i, Outcome outcome) {
        progress.end(i, outcome.ok, outcome.summary);
        if (outcome.cancelled || (!outcome.ok && options.failFast)) stop.store(true);
        outcomes[i] = std::move(outcome);
    };
    auto progressOf = [&progress](std::size_t i) {
        return [&progress, i](double fraction) { progress.update(i, fraction); };
    };
    auto renderUnit = [&](const std::vector<std::size_t>& unit) {
        if (!isMovie(unit.front())) {
            const std::size_t i = unit.front();
            progress.begin(i);
            const Planned& plan = plans[i];
            ended(i, isStill(plan.output->target)
                         ? renderStill(project, plan, shared, progressOf(i))
                         : failedOutcome(startOutcome(*plan.output, *plan.planned), plan.error));
            return;
        }
        std::vector<AVFExporter::MovieOutput> movies;
        std::vector<std::size_t> started;
        for (std::size_t i : unit) {
            if (stop.load()) break;
            const Planned& plan = plans[i];
            progress.begin(i);
            if (auto folder = makeFolder(plan.planned->path)) {
                ended(i, failedOutcome(startOutcome(*plan.output, *plan.planned), *folder));
                continue;
            }
            movies.push_back({shared.frame, *plan.config, plan.planned->path, progressOf(i)});
            started.push_back(i);
        }
        if (stop.load()) {
            for (std::size_t i : started) progress.end(i, false, "not started");
            return;
        }
        auto made = AVFExporter{}.exportVideos(project.recording, std::move(movies),
                                               [] { return cancelRequested(); }, options.failFast);
        for (std::size_t k = 0; k < started.size(); ++k) {
            const std::size_t i = started[k];
            const Planned& plan = plans[i];
            Outcome outcome = startOutcome(*plan.output, *plan.planned);
            auto& result = made.results[k];
            if (!result.ok()) {
                const ExportError& e = result.error();
                const bool stopped = e.kind() == ExportError::Kind::exportCancelled;
                // A stop without the user's cancel came from another output's failure.
                if (stopped && !cancelRequested()) {
                    ended(i, failedOutcome(std::move(outcome),
                                           "Stopped when another output failed (--fail-fast)."));
                    continue;
                }
                outcome.cancelled = stopped;
                ended(i, failedOutcome(std::move(outcome), e.errorDescription()));
                continue;
            }
            printWarnings(result->warnings);
            outcome.entry["warnings"] = result->warnings;
            ended(i, written(std::move(outcome), plan));
        }
    };
    // A cancel starts no further unit; the exporter and each still stop their own.
    auto work = [&] {
        for (std::size_t u = next++; u < units.size() && !stop.load() && !cancelRequested();
             u = next++) {
            renderUnit(units[u]);
        }
    };
    const int jobs = std::clamp(options.jobs, 1, static_cast<int>(units.size()));
    std::vector<std::thread> threads;
    for (int j = 1; j < jobs; ++j) {
        threads.emplace_back([&work, j] {
            const std::string name = "kestro-render-" + std::to_string(j);
            nameThisThread(name.c_str());
            work();
        });
    }
    work();
    for (std::thread& thread : threads) thread.join();

    nlohmann::json entries = nlohmann::json::array();
    bool allOk = true;
    bool cancelled = false;
    for (std::optional<Outcome>& outcome : outcomes) {
        if (!outcome) continue;  // not started: an earlier failure with --fail-fast, or a cancel
        outcome->entry["ok"] = outcome->ok;
        allOk = allOk && outcome->ok;
        cancelled = cancelled || outcome->cancelled;
        entries.push_back(std::move(outcome->entry));
    }
    // Cancelled between outputs: none of them saw it, but some were never made.
    if (cancelRequested() && entries.size() < chosen.size()) cancelled = true;

    if (json) {
        printJson({{"project", fs::absolute(options.project).lexically_normal().string()},
                   {"passed", allOk && !cancelled && entries.size() == chosen.size()},
                   {"outputs", entries}});
    }
    if (cancelled) {
        if (!json) {
            printError("Render was cancelled.",
                       "The outputs made before it are kept; the others were not written.", false);
        }
        return kExitCancelled;
    }
    return allOk ? kExitOk : kExitFailed;
}

}  // namespace

void addRenderCommand(CLI::App& app, Runner& run) {
    auto options = std::make_shared<RenderOptions>();
    auto* sub = app.add_subcommand(
        "render",
        "Render every output of a project in one run (each once per caption locale), then check "
        "each file against its target's rules. A failed output does not stop the others.");
    sub->add_option("project", options->project, "The .kestro file")->required();
    sub->add_option("--output-dir", options->outputDir,
                    "Where the outputs go (default: the project's folder); file names are "
                    "relative to it");
    sub->add_option("--only", options->only, "Render only the output of this name (repeatable)")
        ->allow_extra_args(false);
    sub->add_flag("--json", options->json,
                  "Print a report: each output's path, size, length and checks");
    sub->add_flag("--fail-fast", options->failFast, "Stop at the first output that fails");
    sub->add_flag("--quiet", options->quiet, "No progress");
    sub->add_option("--jobs", options->jobs,
                    "How many outputs render at once (default 2; the movies that share a timeline count as "
                    "one, made together from one decoding; each export also uses every core)")
        ->check(CLI::Range(1, 16));
    sub->callback([&run, options] { run = [options] { return runRender(*options); }; });
}

}  // namespace kestro::cli
