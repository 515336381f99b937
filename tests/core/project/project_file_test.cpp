// The project file: what is saved comes back, keys from elsewhere survive, and every bad
// project is refused naming the field at fault.

#include "core/project/project_choices.hpp"
#include "core/project/project_file.hpp"
#include "core/project/project_outputs.hpp"
#include "support/movie_fixtures.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace kestro {
namespace {

using json = nlohmann::json;
using test::ScratchDir;
namespace fs = std::filesystem;

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// A project using every part of the format, with members no version of Kestro writes.
json richProject() {
    return json::parse(R"({
      "version": 1,
      "recording": "media/clip.mov",
      "trim": {"start": 1.5, "end": 9.25},
      "frame": {"image": "frames/phone.png", "orientation": "landscape"},
      "canvas": {"aspect": "9:16", "padding": 12, "shadow": true,
                 "background": {"gradient": {"from": "#102030", "to": "#FFFFFF80", "angle": 45, "stops": 2},
                                "dither": true},
                 "screen": {"x": 10, "y": 5, "w": 80, "h": 90},
                 "scale": 120, "offsetX": -10, "offsetY": 4, "fit": "fit",
                 "grain": {"amount": 3}},
      "zoom": [{"start": 2, "end": 4, "focusX": 0.25, "focusY": 0.75, "scale": 2.5,
                "easeIn": 0.3, "easeOut": 0.4, "label": "login"}],
      "touches": {"points": [{"t": 2.1, "x": 100, "y": 200, "phase": "down", "id": 0},
                             {"t": 2.3, "x": 110, "y": 210, "phase": "up", "id": 0}],
                  "style": {"enabled": false, "size": 10, "colour": "#FF000080", "opacity": 0.4}},
      "speed": [{"start": 5, "end": 7, "factor": 4}],
      "captions": {"en": [{"start": 0, "end": 2, "text": "Sign in", "position": "top",
                           "mood": "cheerful"}],
                   "de": [{"start": 0, "end": 2, "text": "Anmelden", "position": "point",
                           "x": 30, "y": 40, "size": 5}]},
      "titles": {"intro": {"title": "Kestro", "subtitle": "Demo", "seconds": 3, "fade": 0.5}},
      "outputs": [
        {"name": "store", "target": "app-store-iphone", "file": "store/{name}-{locale}.mp4",
         "fps": 30, "reviewer": "anna"},
        {"name": "readme", "target": "gif", "file": "{target}/{locale}.gif", "width": 480},
        {"name": "poster", "target": "png", "file": "{name}-{locale}.png", "at": 3}
      ],
      "author": {"name": "someone", "tool": "a script"}
    })");
}

struct ProjectFolder {
    ScratchDir dir;
    fs::path file = dir / "demo.kestro";

    ProjectFolder() {
        writeText(dir / "media/clip.mov", "not a movie, but a file");
        writeText(dir / "frames/phone.png", "png");
    }
    void write(const json& document) const { writeText(file, document.dump(2)); }
    json saved(const fs::path& path) const { return json::parse(test::fileContents(path)); }
};

TEST(ProjectFile, OpenSaveOpenKeepsEveryFieldAndUnknownKeys) {
    ProjectFolder folder;
    folder.write(richProject());
    auto first = loadProject(folder.file);
    ASSERT_TRUE(first) << first.error().describe();

    // What was read is what was written.
    EXPECT_EQ(first->recording, folder.dir / "media/clip.mov");
    EXPECT_EQ(first->frameImage, folder.dir / "frames/phone.png");
    EXPECT_EQ(first->orientation, FrameOrientation::landscape);
    EXPECT_DOUBLE_EQ(first->trimEnd, 9.25);
    ASSERT_TRUE(first->canvas.paddingPercent);
    EXPECT_DOUBLE_EQ(*first->canvas.paddingPercent, 12);
    ASSERT_NE(first->canvas.background.asGradient(), nullptr);
    EXPECT_NEAR(first->canvas.background.asGradient()->to.alpha, 128 / 255.0, 1e-9);
    ASSERT_EQ(first->zoom.size(), 1u);
    EXPECT_DOUBLE_EQ(first->zoom[0].focusY, 0.75);
    EXPECT_EQ(first->touches.touches.size(), 2u);
    EXPECT_FALSE(first->taps.enabled);
    EXPECT_EQ(first->locales(), (std::vector<std::string>{"de", "en"}));
    EXPECT_EQ(first->captionsFor("de").at(0).position, CaptionPosition::point);
    ASSERT_TRUE(first->intro);
    EXPECT_EQ(first->intro->subtitle, "Demo");
    ASSERT_EQ(first->outputs.size(), 3u);
    EXPECT_EQ(first->outputs[0].target, OutputTarget::appStoreIphone);
    EXPECT_EQ(first->outputs[1].width, 480);
    EXPECT_EQ(first->outputs[2].at, 3);

    const fs::path copy = folder.dir / "copy.kestro";
    ASSERT_TRUE(saveProject(*first, copy));
    auto second = loadProject(copy);
    ASSERT_TRUE(second) << second.error().describe();
    EXPECT_TRUE(sameProject(*first, *second));

    const json saved = folder.saved(copy);
    EXPECT_EQ(saved["author"], richProject()["author"]);
    EXPECT_EQ(saved["canvas"]["grain"]["amount"], 3);
    EXPECT_EQ(saved["zoom"][0]["label"], "login");
    EXPECT_EQ(saved["captions"]["en"][0]["mood"], "cheerful");
    EXPECT_EQ(saved["outputs"][0]["reviewer"], "anna");
    EXPECT_EQ(saved["canvas"]["background"]["dither"], true);
    EXPECT_EQ(saved["canvas"]["background"]["gradient"]["stops"], 2);
    // Paths stay relative, so the folder can move.
    EXPECT_EQ(saved["recording"], "media/clip.mov");
    EXPECT_EQ(saved["frame"]["image"], "frames/phone.png");

    // Saved again unchanged, the file is the same to the byte.
    const fs::path again = folder.dir / "again.kestro";
    ASSERT_TRUE(saveProject(*second, again));
    EXPECT_EQ(test::fileContents(again), test::fileContents(copy));

    // A background of another kind replaces the old one whole.
    second->canvas.background = BackgroundFill::color(1, 0, 0);
    ASSERT_TRUE(saveProject(*second, again));
    EXPECT_EQ(folder.saved(again)["canvas"]["background"], json({{"colour", "#FF0000FF"}}));
}

TEST(ProjectFile, SavingElsewhereRewritesPathsAndReplacesTheFileWhole) {
    ProjectFolder folder;
    folder.write(richProject());
    auto project = loadProject(folder.file);
    ASSERT_TRUE(project) << project.error().describe();

    // Into a folder below: the recording is found through "..", which a reader may refuse,
    // so it is written absolute.
    const fs::path below = folder.dir / "sub/moved.kestro";
    fs::create_directories(below.parent_path());
    ASSERT_TRUE(saveProject(*project, below));
    EXPECT_EQ(folder.saved(below)["recording"], (folder.dir / "media/clip.mov").generic_string());
    auto reopened = loadProject(below);
    ASSERT_TRUE(reopened) << reopened.error().describe();
    EXPECT_EQ(reopened->recording, project->recording);

    // A save that cannot happen leaves no stray file and reports the reason.
    fs::create_directories(folder.dir / "taken.kestro");
    writeText(folder.dir / "taken.kestro/inside", "x");
    const auto entriesBefore = folder.dir.entries();
    const auto refused = saveProject(*project, folder.dir / "taken.kestro");
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("taken.kestro"), std::string::npos);
    EXPECT_EQ(folder.dir.entries(), entriesBefore);
}

TEST(ProjectFile, InitChoicesBecomeAProjectThatRendersTheSameChoices) {
    ScratchDir dir;
    writeText(dir / "clip.mov", "x");
    ExportChoices choices;
    choices.trimStart = 2;
    choices.trimEnd = 8;
    choices.aspect = CanvasAspect::square1x1;
    choices.background = BackgroundFill::color(1, 0, 0);
    choices.fps = 24;
    choices.resolution = ExportResolution::hd1080p;
    choices.story.captions.push_back(Caption{0, 1, "Hello"});
    choices.speed.push_back(SpeedSegment{3, 4, 2});

    Project project = projectFromChoices(choices, dir / "clip.mov");
    project.outputs.push_back(outputFromChoices(choices, OutputTarget::webm, "web"));
    ASSERT_TRUE(saveProject(project, dir / "p.kestro"));
    auto loaded = loadProject(dir / "p.kestro");
    ASSERT_TRUE(loaded) << loaded.error().describe();

    auto back = choicesForOutput(*loaded, loaded->outputs[0], "");
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(back->format, ExportFormat::webm);
    EXPECT_EQ(back->resolution, ExportResolution::hd1080p);
    EXPECT_EQ(back->fps, 24);
    EXPECT_EQ(back->aspect, CanvasAspect::square1x1);
    EXPECT_EQ(back->background, choices.background);
    EXPECT_DOUBLE_EQ(back->trimEnd, 8);
    EXPECT_EQ(back->speed, choices.speed);
    ASSERT_EQ(back->story.captions.size(), 1u);
    EXPECT_EQ(back->story.captions[0].text, "Hello");
}

TEST(ProjectOutputs, EachOutputRendersOncePerLocaleUnderItsPattern) {
    ProjectFolder folder;
    folder.write(richProject());
    auto project = loadProject(folder.file);
    ASSERT_TRUE(project) << project.error().describe();
    auto plan = planOutputs(*project, "/out");
    ASSERT_TRUE(plan) << plan.error().describe();
    std::vector<std::string> paths;
    for (const PlannedOutput& p : *plan) paths.push_back(p.path.string() + " " + p.locale);
    EXPECT_EQ(paths, (std::vector<std::string>{
                         "/out/store/store-de.mp4 de", "/out/store/store-en.mp4 en",
                         "/out/gif/de.gif de", "/out/gif/en.gif en",
                         "/out/poster-de.png de", "/out/poster-en.png en"}));

    // Without a pattern the locale is added by itself, and without locales it is left out.
    project->outputs[0].file.clear();
    EXPECT_EQ(planOutputs(*project, "/out")->at(0).path, "/out/store-de.mp4");
    project->captions = {{"", {}}};
    EXPECT_EQ(planOutputs(*project, "/out")->at(0).path, "/out/store.mp4");
}

// One fault each; the error names the field, and nothing else is wrong with the project.
struct BadProject {
    const char* what;
    std::function<void(json&, const fs::path& dir)> spoil;
    std::string pointer;
};

class ProjectRefusal : public ::testing::TestWithParam<BadProject> {};

TEST_P(ProjectRefusal, NamesTheFieldByItsPointer) {
    ProjectFolder folder;
    json document = richProject();
    GetParam().spoil(document, folder.dir.path());
    folder.write(document);
    const auto loaded = loadProject(folder.file);
    ASSERT_FALSE(loaded) << GetParam().what;
    EXPECT_EQ(loaded.error().pointer, GetParam().pointer) << loaded.error().describe();
    EXPECT_FALSE(loaded.error().message.empty());
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, ProjectRefusal,
    ::testing::Values(
        BadProject{"no recording", [](json& d, const fs::path&) { d.erase("recording"); }, "/recording"},
        BadProject{"recording gone",
                   [](json&, const fs::path& dir) { fs::remove(dir / "media/clip.mov"); }, "/recording"},
        BadProject{"newer version", [](json& d, const fs::path&) { d["version"] = 2; }, "/version"},
        BadProject{"up and out",
                   [](json& d, const fs::path& dir) {
                       writeText(dir.parent_path() / (dir.filename().string() + "-outside.mov"), "x");
                       d["recording"] = "media/../../" + dir.filename().string() + "-outside.mov";
                   },
                   "/recording"},
        BadProject{"out through a link",
                   [](json& d, const fs::path& dir) {
                       fs::create_directory_symlink("/usr/share", dir / "media/shared");
                       d["frame"]["image"] = "media/shared/../../bin/sh";
                       d["canvas"]["background"] = {{"image", "media/shared/doc"}};
                   },
                   "/frame/image"},
        BadProject{"unknown target",
                   [](json& d, const fs::path&) { d["outputs"][1]["target"] = "vhs"; }, "/outputs/1/target"},
        BadProject{"same file twice",
                   [](json& d, const fs::path&) { d["outputs"][2]["file"] = "gif/./{locale}.gif"; },
                   "/outputs/2/file"},
        BadProject{"locales into one file",
                   [](json& d, const fs::path&) { d["outputs"][0]["file"] = "store.mp4"; }, "/outputs/0/file"},
        BadProject{"output out of its folder",
                   [](json& d, const fs::path&) { d["outputs"][1]["file"] = "../{name}.gif"; }, "/outputs/1/file"},
        BadProject{"unknown placeholder",
                   [](json& d, const fs::path&) { d["outputs"][1]["file"] = "{date}.gif"; }, "/outputs/1/file"},
        BadProject{"same file through a folder link",
                   [](json& d, const fs::path& dir) {
                       fs::create_directory_symlink(".", dir / "same");
                       d["outputs"][2]["file"] = "same/gif/{locale}.gif";
                   },
                   "/outputs/2/file"},
        BadProject{"two outputs of one name",
                   [](json& d, const fs::path&) { d["outputs"][2]["name"] = "store"; }, "/outputs/2/name"},
        BadProject{"caption of a locale",
                   [](json& d, const fs::path&) { d["captions"]["de"][0]["end"] = -1; }, "/captions/de/0"},
        BadProject{"zoom beyond its range",
                   [](json& d, const fs::path&) { d["zoom"][0]["scale"] = 9; }, "/zoom/0/scale"},
        BadProject{"touch out of order",
                   [](json& d, const fs::path&) { d["touches"]["points"][1]["t"] = 1; }, "/touches/points/1/t"},
        BadProject{"text for a number",
                   [](json& d, const fs::path&) { d["trim"]["end"] = "soon"; }, "/trim/end"}));

TEST(ProjectOutputs, NoOutputMayReplaceAFileTheProjectReads) {
    ProjectFolder folder;
    json document = richProject();
    document["canvas"]["background"] = {{"image", "media/back.png"}};
    writeText(folder.dir / "media/back.png", "png");
    folder.write(document);
    auto project = loadProject(folder.file);
    ASSERT_TRUE(project) << project.error().describe();
    fs::create_directory_symlink("media", folder.dir / "alias");
    fs::create_hard_link(folder.dir / "media/clip.mov", folder.dir / "hard.mov");

    for (const std::string file : {"media/clip.mov", "alias/clip.mov", "hard.mov", "media/clip.touches.json",
                                    "frames/phone.png", "alias/back.png", "demo.kestro"}) {
        project->outputs[2].file = file;
        project->captions = {{"", {}}};
        auto plan = planOutputs(*project, folder.dir.path());
        ASSERT_TRUE(plan) << plan.error().describe();
        const auto spared = checkOutputsSpareInputs(*project, *plan, folder.file);
        ASSERT_FALSE(spared) << file;
        EXPECT_EQ(spared.error().pointer, "/outputs/2/file") << file;
    }
    project->outputs[2].file = "media/poster.png";
    EXPECT_TRUE(checkOutputsSpareInputs(*project, *planOutputs(*project, folder.dir.path()), folder.file));
}

TEST(ProjectFile, BadJsonAndStrayFilesAreRefusedWhole) {
    ScratchDir dir;
    writeText(dir / "broken.kestro", R"({"version": 1, "recording": "clip.mov",)");
    const auto broken = loadProject(dir / "broken.kestro");
    ASSERT_FALSE(broken);
    EXPECT_EQ(broken.error().pointer, "");
    EXPECT_NE(broken.error().message.find("JSON"), std::string::npos);

    writeText(dir / "list.kestro", "[1, 2]");
    EXPECT_FALSE(loadProject(dir / "list.kestro"));
    EXPECT_FALSE(loadProject(dir / "absent.kestro"));

    // Each refused for what it is, not for what it happens to look like once read.
    auto messageOf = [](const Result<Project, ProjectError>& loaded) {
        return loaded ? std::string("loaded") : loaded.error().describe();
    };
    fs::create_directories(dir / "folder.kestro");
    EXPECT_NE(messageOf(loadProject(dir / "folder.kestro")).find("is a folder"), std::string::npos);
    fs::create_directories(dir / "clip.mov");
    writeText(dir / "p.kestro", R"({"version": 1, "recording": "clip.mov"})");
    EXPECT_NE(messageOf(loadProject(dir / "p.kestro")).find("is a folder"), std::string::npos);
    writeText(dir / "p.kestro", R"({"version": 18446744073709551615, "recording": "clip.mov"})");
    EXPECT_NE(messageOf(loadProject(dir / "p.kestro")).find("18446744073709551615: the project was saved by a newer"),
              std::string::npos);
}

}  // namespace
}  // namespace kestro
