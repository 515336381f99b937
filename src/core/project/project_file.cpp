#include "core/project/project_file.hpp"

#include "core/project/file_replace.hpp"
#include "core/project/json_fields.hpp"
#include "core/project/project_outputs.hpp"
#include "core/project/project_paths.hpp"
#include "core/project/track_json.hpp"

#include <cmath>
#include <fstream>
#include <set>
#include <sstream>

namespace kestro {

namespace fs = std::filesystem;
using json = nlohmann::json;
using json_fields::Fields;

namespace {

// A failed Result from the track readers, rethrown into the reader's single error path.
template <class T>
T take(Result<T, ProjectError> result) {
    if (!result) throw result.error();
    return std::move(*result);
}

fs::path pathField(const Fields& f, const char* key, const fs::path& folder) {
    return take(resolveProjectPath(folder, f.string(key).value_or(""), f.at(key)));
}

FillColour fillFromHex(const Fields& f, const std::string& text, const std::string& pointer) {
    const auto rgba = colourFromHex(text);
    if (!rgba) json_fields::fail(pointer, "must be #RRGGBB or #RRGGBBAA");
    (void)f;
    return {rgba->r / 255.0, rgba->g / 255.0, rgba->b / 255.0, rgba->a / 255.0};
}

std::string hexFromFill(const FillColour& c) {
    auto byte = [](double v) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    return colourToHex(Rgba{byte(c.red), byte(c.green), byte(c.blue), byte(c.alpha)});
}

BackgroundFill readBackground(const Fields& canvas, const fs::path& folder) {
    if (!canvas.has("background")) return BackgroundFill::black();
    const Fields f(canvas.raw("background"), canvas.at("background"));
    int kinds = f.has("colour") + f.has("gradient") + f.has("image");
    if (kinds != 1) json_fields::fail(f.pointer(), "must hold one of colour, gradient and image");
    if (f.has("colour")) {
        const FillColour c = fillFromHex(f, *f.string("colour"), f.at("colour"));
        return BackgroundFill::color(c.red, c.green, c.blue, c.alpha);
    }
    if (f.has("gradient")) {
        const Fields g(f.raw("gradient"), f.at("gradient"));
        const FillColour from = fillFromHex(g, g.requiredString("from"), g.at("from"));
        const FillColour to = fillFromHex(g, g.requiredString("to"), g.at("to"));
        return BackgroundFill::gradient(from, to, g.number("angle", 180));
    }
    return BackgroundFill::image(pathField(f, "image", folder).string());
}

json backgroundToJson(const BackgroundFill& fill, const fs::path& folder) {
    if (const auto* c = fill.asColour()) return {{"colour", hexFromFill(*c)}};
    if (const auto* g = fill.asGradient()) {
        return {{"gradient", {{"from", hexFromFill(g->from)}, {"to", hexFromFill(g->to)}, {"angle", g->angle}}}};
    }
    return {{"image", storedProjectPath(folder, fill.asPicture()->path)}};
}

// Which of colour, gradient and image a background object holds ("" for none or several).
std::string backgroundKind(const json& background) {
    if (!background.is_object()) return "";
    std::string kind;
    for (const char* key : {"colour", "gradient", "image"}) {
        if (!background.contains(key) || background[key].is_null()) continue;
        if (!kind.empty()) return "";
        kind = key;
    }
    return kind;
}

ProjectCanvas readCanvas(const json& root, const fs::path& folder) {
    ProjectCanvas canvas;
    if (!root.contains("canvas") || root["canvas"].is_null()) return canvas;
    const Fields f(root["canvas"], "/canvas");
    canvas.aspect = json_fields::enumField(f, "aspect", canvas.aspect, canvasAspectFromRaw);
    if (f.has("padding")) canvas.paddingPercent = f.numberIn("padding", 0, 0, 49.999);
    canvas.shadow = f.boolean("shadow", false);
    canvas.background = readBackground(f, folder);
    if (f.has("screen")) {
        const Fields s(f.raw("screen"), f.at("screen"));
        ScreenRect r{s.numberIn("x", 0, 0, 100), s.numberIn("y", 0, 0, 100),
                     s.numberIn("w", 0, 0, 100), s.numberIn("h", 0, 0, 100)};
        if (r.w <= 0 || r.h <= 0 || r.x + r.w > 100.0001 || r.y + r.h > 100.0001) {
            json_fields::fail(s.pointer(), "must lie inside the frame, with a width and height above 0");
        }
        canvas.screen = r;
    }
    canvas.scalePercent = f.numberIn("scale", 100, 10, 1000);
    canvas.offsetXPercent = f.number("offsetX", 0);
    canvas.offsetYPercent = f.number("offsetY", 0);
    canvas.fitMode = json_fields::enumField(f, "fit", canvas.fitMode, videoFitModeFromRaw);
    return canvas;
}

ProjectOutput readOutput(const json& value, const std::string& pointer) {
    const Fields f(value, pointer);
    ProjectOutput output;
    output.name = f.requiredString("name");
    if (!f.has("target")) json_fields::fail(f.at("target"), "is missing");
    output.target = json_fields::enumField(f, "target", output.target, outputTargetFromRaw);
    output.file = f.string("file").value_or("");
    if (f.has("resolution")) {
        output.resolution =
            json_fields::enumField(f, "resolution", ExportResolution::hd720p, exportResolutionFromRaw);
    }
    if (const auto width = f.integer("width")) {
        if (*width < 16 || *width > 8192) json_fields::fail(f.at("width"), "must be 16 to 8192 pixels");
        output.width = width;
    }
    if (f.has("fps")) output.fps = f.numberIn("fps", 30, 1, 240);
    output.constantRate = f.boolean("constantRate", false);
    output.quality = json_fields::enumField(f, "quality", output.quality, exportQualityFromRaw);
    if (f.has("at")) output.at = f.numberIn("at", 0, 0, 1e9);
    return output;
}

json outputToJson(const ProjectOutput& o) {
    json out{{"name", o.name}, {"target", std::string(rawValue(o.target))}};
    out["file"] = o.file.empty() ? json(nullptr) : json(o.file);
    out["resolution"] = o.resolution ? json(std::string(rawValue(*o.resolution))) : json(nullptr);
    out["width"] = o.width ? json(*o.width) : json(nullptr);
    out["fps"] = o.fps ? json(*o.fps) : json(nullptr);
    out["constantRate"] = o.constantRate;
    out["quality"] = std::string(rawValue(o.quality));
    out["at"] = o.at ? json(*o.at) : json(nullptr);
    return out;
}

// `fresh` written over `kept` when that is an object, so members only `kept` has stay.
json over(const json& kept, json fresh) {
    if (!kept.is_object() || !fresh.is_object()) return fresh;
    json out = kept;
    for (auto& [key, value] : fresh.items()) {
        out[key] = over(kept.contains(key) ? kept[key] : json(), std::move(value));
    }
    return out;
}

// Lists are merged element by element, so an element's unknown members stay with it.
json overList(const json& kept, json fresh) {
    if (!kept.is_array()) return fresh;
    for (std::size_t i = 0; i < fresh.size() && i < kept.size(); ++i) {
        fresh[i] = over(kept[i], std::move(fresh[i]));
    }
    return fresh;
}

Project readProject(const json& root, const fs::path& folder) {
    if (!root.is_object()) json_fields::fail("", "A project must be a JSON object");
    const Fields f(root, "");
    Project project;
    project.document = root;

    const auto version = f.integer("version");
    if (!version) json_fields::fail("/version", "is missing");
    if (*version > kProjectVersion) {
        json_fields::fail("/version",
                          "is " + f.raw("version").dump() +
                              ": the project was saved by a newer Kestro (this one reads version " +
                              std::to_string(kProjectVersion) + ")");
    }
    if (*version < 1) json_fields::fail("/version", "must be 1 or more");

    project.recording = pathField(f, "recording", folder);
    std::error_code error;
    if (!fs::exists(project.recording, error)) {
        json_fields::fail("/recording", "the recording " + project.recording.string() + " does not exist");
    }
    if (!fs::is_regular_file(project.recording, error)) {
        json_fields::fail("/recording", "the recording " + project.recording.string() +
                                            (fs::is_directory(project.recording, error)
                                                 ? " is a folder, not a file"
                                                 : " is not a file"));
    }

    if (f.has("trim")) {
        const Fields t(f.raw("trim"), "/trim");
        project.trimStart = t.number("start", 0);
        if (project.trimStart < 0) json_fields::fail(t.at("start"), "must not be negative");
        if (t.has("end")) {
            project.trimEnd = *t.number("end");
            if (!(project.trimEnd > project.trimStart)) json_fields::fail(t.at("end"), "must be after the start");
        }
    }

    if (f.has("frame")) {
        const Fields fr(f.raw("frame"), "/frame");
        if (fr.has("key") && fr.has("image")) json_fields::fail("/frame", "holds both a key and an image");
        project.frameKey = fr.string("key").value_or("");
        if (fr.has("image")) project.frameImage = pathField(fr, "image", folder);
        project.orientation =
            json_fields::enumField(fr, "orientation", project.orientation, frameOrientationFromRaw);
    }

    project.canvas = readCanvas(root, folder);

    if (f.has("zoom")) project.zoom = take(cameraTrackFromJson(f.raw("zoom"), "/zoom"));
    if (f.has("touches")) {
        (void)take(touchesFromJson(f.raw("touches"), "/touches", project.touches, project.taps));
    }
    if (f.has("speed")) project.speed = take(speedTrackFromJson(f.raw("speed"), "/speed"));
    if (f.has("captions")) {
        const json& captions = f.raw("captions");
        if (captions.is_object()) {
            if (captions.empty()) json_fields::fail("/captions", "names no locale");
            for (const auto& [locale, list] : captions.items()) {
                if (locale.empty()) json_fields::fail("/captions", "has a locale without a name");
                project.captions[locale] =
                    take(captionsFromJson(list, json_fields::child("/captions", locale)));
            }
        } else {
            project.captions[""] = take(captionsFromJson(captions, "/captions"));
        }
    }
    if (f.has("titles")) {
        const Fields t(f.raw("titles"), "/titles");
        if (t.has("intro")) project.intro = take(titleCardFromJson(t.raw("intro"), t.at("intro")));
        if (t.has("outro")) project.outro = take(titleCardFromJson(t.raw("outro"), t.at("outro")));
    }

    if (f.has("outputs")) {
        const json& list = f.raw("outputs");
        if (!list.is_array()) json_fields::fail("/outputs", "must be a list");
        std::set<std::string> names;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string pointer = json_fields::child("/outputs", i);
            ProjectOutput output = readOutput(list[i], pointer);
            if (!names.insert(output.name).second) {
                json_fields::fail(pointer + "/name", "\"" + output.name + "\" names an output before it too");
            }
            project.outputs.push_back(std::move(output));
        }
    }
    (void)take(planOutputs(project, folder));
    return project;
}

}  // namespace

Result<Project, ProjectError> projectFromJson(const json& document, const fs::path& folder) {
    try {
        return readProject(document, folder);
    } catch (const ProjectError& error) {
        return fail(error);
    } catch (const json::exception& error) {
        return fail(ProjectError{"", error.what()});
    }
}

Result<Project, ProjectError> loadProject(const fs::path& file) {
    // Opened as a stream, a folder reads as nothing at all, which would pass for bad JSON.
    std::error_code error;
    if (fs::is_directory(file, error)) {
        return fail(ProjectError{"", file.string() + " is a folder, not a project file"});
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) return fail(ProjectError{"", "Cannot open the project " + file.string()});
    std::ostringstream bytes;
    bytes << in.rdbuf();
    json document;
    try {
        document = json::parse(bytes.str());
    } catch (const json::parse_error& error) {
        return fail(ProjectError{"", file.string() + " is not valid JSON (at byte " +
                                         std::to_string(error.byte) + ")"});
    }
    return projectFromJson(document, fs::absolute(file).parent_path());
}

json projectToJson(const Project& p, const fs::path& folder) {
    json fresh = json::object();
    fresh["version"] = kProjectVersion;
    fresh["recording"] = storedProjectPath(folder, p.recording);
    fresh["trim"] = {{"start", p.trimStart},
                     {"end", std::isfinite(p.trimEnd) ? json(p.trimEnd) : json(nullptr)}};
    json frame{{"orientation", std::string(rawValue(p.orientation))}};
    frame["key"] = p.frameKey.empty() ? json(nullptr) : json(p.frameKey);
    frame["image"] = p.frameImage.empty() ? json(nullptr) : json(storedProjectPath(folder, p.frameImage));
    fresh["frame"] = frame;

    const ProjectCanvas& c = p.canvas;
    json canvas{{"aspect", std::string(rawValue(c.aspect))},
                {"shadow", c.shadow},
                {"background", backgroundToJson(c.background, folder)},
                {"scale", c.scalePercent},
                {"offsetX", c.offsetXPercent},
                {"offsetY", c.offsetYPercent},
                {"fit", std::string(rawValue(c.fitMode))}};
    canvas["padding"] = c.paddingPercent ? json(*c.paddingPercent) : json(nullptr);
    canvas["screen"] = c.screen ? json{{"x", c.screen->x}, {"y", c.screen->y}, {"w", c.screen->w}, {"h", c.screen->h}}
                                : json(nullptr);
    fresh["canvas"] = canvas;

    fresh["touches"] = touchesToJson(p.touches, p.taps);
    fresh["titles"] = {{"intro", p.intro ? titleCardToJson(*p.intro) : json(nullptr)},
                       {"outro", p.outro ? titleCardToJson(*p.outro) : json(nullptr)}};

    const json& kept = p.document;
    json out = over(kept, std::move(fresh));
    // A background of another kind replaces the old one whole, not member by member; one of the
    // same kind keeps the members it was read with.
    const json keptCanvas = kept.contains("canvas") ? kept["canvas"] : json();
    const json keptBackground = keptCanvas.is_object() && keptCanvas.contains("background")
                                    ? keptCanvas["background"]
                                    : json();
    if (backgroundKind(keptBackground) != backgroundKind(out["canvas"]["background"])) {
        out["canvas"]["background"] = backgroundToJson(c.background, folder);
    }

    auto keptAt = [&kept](const char* key) { return kept.contains(key) ? kept[key] : json(); };
    out["zoom"] = overList(keptAt("zoom"), cameraTrackToJson(p.zoom));
    out["speed"] = overList(keptAt("speed"), speedTrackToJson(p.speed));
    const json keptCaptions = keptAt("captions");
    if (p.captions.empty() || (p.captions.size() == 1 && p.captions.count(""))) {
        out["captions"] = overList(keptCaptions, captionsToJson(p.captionsFor("")));
    } else {
        json byLocale = json::object();
        for (const auto& [locale, list] : p.captions) {
            const json keptList = keptCaptions.is_object() && keptCaptions.contains(locale) ? keptCaptions[locale] : json();
            byLocale[locale] = overList(keptList, captionsToJson(list));
        }
        out["captions"] = byLocale;
    }
    json outputs = json::array();
    for (const ProjectOutput& o : p.outputs) outputs.push_back(outputToJson(o));
    out["outputs"] = overList(keptAt("outputs"), std::move(outputs));
    return out;
}

Result<Done, ProjectError> saveProject(const Project& project, const fs::path& file) {
    const fs::path folder = fs::absolute(file).parent_path();
    const std::string text = projectToJson(project, folder).dump(2) + "\n";
    if (auto written = replaceFileAtomically(file, text); !written) {
        return fail(ProjectError{"", written.error()});
    }
    return Done{};
}

}  // namespace kestro
