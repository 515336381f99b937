// init and render as a user runs them: a project made from export's options renders every
// output in one run, a failing output leaves the others alone, and a bad project renders nothing.

#include "cli/cli_run.hpp"
#include "support/movie_fixtures.hpp"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace kestro {
namespace {

using json = nlohmann::json;
using test::runCli;
using test::ScratchDir;
namespace fs = std::filesystem;

json readJson(const fs::path& path) { return json::parse(test::fileContents(path)); }
void writeJson(const fs::path& path, const json& value) { std::ofstream(path) << value.dump(2); }

struct Recorded {
    ScratchDir dir;
    fs::path movie = test::makeMovie(dir / "rec.mp4", {.width = 96, .height = 192, .fps = 10, .seconds = 2, .audio = true});
    fs::path project = dir / "demo.kestro";
};

TEST(ProjectCli, InitThenRenderMakesEveryOutputOncePerLocale) {
    Recorded rec;
    const auto init = runCli({"init", rec.project.string(), "--from", rec.movie.string(), "--background", "#336699",
                              "--width", "160", "--fps", "10", "--start", "0.5", "--output", "mp4",
                              "--output", "gif:anim/{name}-{locale}.gif", "--output", "png"});
    ASSERT_EQ(init.status, 0) << init.err;
    json document = readJson(rec.project);
    EXPECT_EQ(document["version"], 1);
    EXPECT_EQ(document["recording"], "rec.mp4");
    EXPECT_EQ(document["trim"]["start"], 0.5);
    ASSERT_EQ(document["outputs"].size(), 3u);
    EXPECT_EQ(document["outputs"][1]["width"], 160);

    // Captions in two languages: each output is made for each.
    document["captions"] = {{"en", {{{"start", 0}, {"end", 1}, {"text", "Hello"}}}},
                            {"fr", {{{"start", 0}, {"end", 1}, {"text", "Bonjour"}}}}};
    writeJson(rec.project, document);

    const auto render = runCli({"render", rec.project.string(), "--output-dir", (rec.dir / "out").string(), "--json"});
    ASSERT_EQ(render.status, 0) << render.err << render.out;
    const json report = json::parse(render.out);
    EXPECT_TRUE(report["passed"]);
    ASSERT_EQ(report["outputs"].size(), 6u);
    std::set<std::string> files;
    for (const json& entry : report["outputs"]) {
        ASSERT_TRUE(entry["ok"]) << entry.dump();
        const fs::path path = entry["path"].get<std::string>();
        files.insert(path.lexically_relative(rec.dir / "out").generic_string());
        EXPECT_EQ(entry["size"], fs::file_size(path));
        EXPECT_TRUE(entry["checks"]["passed"]);
        if (entry["target"] == "png") continue;
        const auto probed = test::probeMovie(path);
        ASSERT_TRUE(probed && probed->video);
        EXPECT_EQ(probed->video->width, 160);
        // The trim's 1.5 s, as the file itself says.
        EXPECT_NEAR(entry["duration"].get<double>(), 1.5, 0.15);
        EXPECT_NEAR(probed->duration, 1.5, 0.15);
    }
    EXPECT_EQ(files, (std::set<std::string>{"mp4-en.mp4", "mp4-fr.mp4", "anim/gif-en.gif", "anim/gif-fr.gif",
                                             "png-en.png", "png-fr.png"}));

    // --only picks outputs by name; an unknown name is a usage error.
    const auto only = runCli({"render", rec.project.string(), "--only", "png", "--json", "--output-dir",
                              (rec.dir / "only").string()});
    ASSERT_EQ(only.status, 0) << only.err;
    EXPECT_EQ(json::parse(only.out)["outputs"].size(), 2u);
    EXPECT_EQ(runCli({"render", rec.project.string(), "--only", "nope"}).status, 2);
}

TEST(ProjectCli, AFailedOutputLeavesTheOthersUnlessFailFast) {
    Recorded rec;
    ASSERT_EQ(runCli({"init", rec.project.string(), "--from", rec.movie.string(), "--width", "96", "--output",
                      "mp4:blocked/first.mp4", "--output", "png:second.png"})
                  .status,
              0);
    // A file where the first output's folder should be: that output cannot be written.
    std::ofstream(rec.dir / "blocked") << "in the way";

    const auto carryOn = runCli({"render", rec.project.string(), "--json", "--quiet"});
    EXPECT_EQ(carryOn.status, 1);
    const json report = json::parse(carryOn.out);
    EXPECT_FALSE(report["passed"]);
    ASSERT_EQ(report["outputs"].size(), 2u);
    EXPECT_FALSE(report["outputs"][0]["ok"]);
    EXPECT_FALSE(report["outputs"][0]["error"].get<std::string>().empty());
    EXPECT_TRUE(report["outputs"][1]["ok"]);
    EXPECT_TRUE(fs::exists(rec.dir / "second.png"));

    fs::remove(rec.dir / "second.png");
    const auto stop = runCli({"render", rec.project.string(), "--json", "--quiet", "--fail-fast"});
    EXPECT_EQ(stop.status, 1);
    EXPECT_EQ(json::parse(stop.out)["outputs"].size(), 1u);
    EXPECT_FALSE(fs::exists(rec.dir / "second.png"));
}

TEST(ProjectCli, BadProjectsAndOutputsAreRefusedBeforeAnythingIsWritten) {
    Recorded rec;
    ASSERT_EQ(runCli({"init", rec.project.string(), "--from", rec.movie.string(), "--output", "png"}).status, 0);
    json document = readJson(rec.project);
    const fs::path out = rec.dir / "out";
    fs::create_directories(out);

    for (const auto& [pointer, spoil] :
         std::vector<std::pair<std::string, std::function<void(json&)>>>{
             {"/version", [](json& d) { d["version"] = 7; }},
             {"/recording", [](json& d) { d["recording"] = "gone.mp4"; }},
             {"/outputs/1/target", [](json& d) { d["outputs"].push_back({{"name", "x"}, {"target", "betamax"}}); }},
             {"/outputs/1/file", [](json& d) { d["outputs"].push_back({{"name", "x"}, {"target", "png"}, {"file", "png.png"}}); }},
         }) {
        json bad = document;
        spoil(bad);
        writeJson(rec.project, bad);
        const auto run = runCli({"render", rec.project.string(), "--output-dir", out.string(), "--json"});
        EXPECT_EQ(run.status, 1) << pointer;
        const std::string message = json::parse(run.out)["error"]["description"];
        EXPECT_EQ(message.rfind(pointer + ":", 0), 0u) << message;
        EXPECT_TRUE(fs::is_empty(out)) << pointer;
    }
    std::ofstream(rec.project) << "{\"version\": 1,";
    EXPECT_EQ(runCli({"render", rec.project.string(), "--output-dir", out.string()}).status, 1);
    EXPECT_TRUE(fs::is_empty(out));

    // init refuses what render would, and writes no project then.
    const fs::path other = rec.dir / "other.kestro";
    EXPECT_EQ(runCli({"init", other.string(), "--from", rec.movie.string(), "--output", "vhs"}).status, 2);
    EXPECT_EQ(runCli({"init", other.string(), "--from", rec.movie.string(), "--output", "mp4:../x.mp4"}).status, 2);
    EXPECT_EQ(runCli({"init", other.string(), "--from", rec.movie.string(), "--output", "mp4:a.mp4", "--output",
                      "mov:a.mp4"})
                  .status,
              2);
    EXPECT_FALSE(fs::exists(other));
}

TEST(ProjectCli, NoOutputIsWrittenOverTheRecordingOrTheProject) {
    Recorded rec;
    ASSERT_EQ(
        runCli({"init", rec.project.string(), "--from", rec.movie.string(), "--output", "png"})
            .status,
        0);
    json document = readJson(rec.project);
    const std::string recording = test::fileContents(rec.movie);
    for (const std::string file : {"rec.mp4", "demo.kestro"}) {
        document["outputs"][0]["file"] = file;
        writeJson(rec.project, document);
        const std::string project = test::fileContents(rec.project);
        const auto run = runCli({"render", rec.project.string(), "--json"});
        EXPECT_EQ(run.status, 1) << file;
        const std::string message = json::parse(run.out)["error"]["description"];
        EXPECT_EQ(message.rfind("/outputs/0/file:", 0), 0u) << message;
        EXPECT_EQ(test::fileContents(rec.movie), recording) << file;
        EXPECT_EQ(test::fileContents(rec.project), project) << file;
    }

    // init promises a project render accepts, so it refuses these too and writes nothing.
    const fs::path other = rec.dir / "other.kestro";
    EXPECT_EQ(
        runCli({"init", other.string(), "--from", rec.movie.string(), "--output", "mp4:rec.mp4"})
            .status,
        2);
    EXPECT_EQ(runCli({"init", other.string(), "--from", rec.movie.string(), "--output",
                      "png:other.kestro"})
                  .status,
              2);
    EXPECT_FALSE(fs::exists(other));
    EXPECT_EQ(test::fileContents(rec.movie), recording);
}

TEST(ProjectCli, CtrlCWhileStillsAreMadeStopsTheRun) {
    Recorded rec;
    constexpr int kStills = 12;
    std::vector<std::string> init{
        "init", rec.project.string(), "--from", rec.movie.string(), "--resolution", "1080p"};
    for (int i = 0; i < kStills; ++i) {
        init.insert(init.end(), {"--output", "png:still" + std::to_string(i) + ".png"});
    }
    ASSERT_EQ(runCli(init).status, 0);
    const fs::path last = rec.dir / ("still" + std::to_string(kStills - 1) + ".png");
    std::ofstream(last) << "earlier still";

    ChildProcess child = test::startCli({"render", rec.project.string(), "--jobs", "1", "--quiet"});
    // Signalled once the first still is in place, with the others still to make (a loaded
    // machine may take many seconds over one).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!fs::exists(rec.dir / "still0.png") && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    child.interrupt();
    const auto run = test::finishCli(child);

    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_NE(run.err.find("cancelled"), std::string::npos) << run.err;
    EXPECT_TRUE(test::fileContents(last) == "earlier still") << "the earlier still was replaced";
    // Only whole stills, and not all of them: no temporary file is left behind.
    int made = 0;
    for (const std::string& name : rec.dir.entries()) {
        if (name == "rec.mp4" || name == "demo.kestro" || name == last.filename()) continue;
        EXPECT_EQ(name.rfind("still", 0), 0u) << name;
        ++made;
    }
    EXPECT_GE(made, 1);
    EXPECT_LT(made, kStills - 1);
}

}  // namespace
}  // namespace kestro
