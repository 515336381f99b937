#include "core/project/project_choices.hpp"

#include "core/export/output_target_choices.hpp"

namespace kestro {

Result<ExportChoices, std::string> choicesForOutput(const Project& project, const ProjectOutput& output,
                                                    const std::string& locale) {
    ExportChoices c;
    applyOutputTarget(c, output.target);
    c.resolution = output.resolution.value_or(ExportResolution::hd720p);
    c.width = output.width;
    c.fps = output.fps;
    c.constantRate = output.constantRate;
    c.quality = output.quality;

    const ProjectCanvas& canvas = project.canvas;
    c.screen = canvas.screen;
    c.trimStart = project.trimStart;
    c.trimEnd = project.trimEnd;
    c.scalePercent = canvas.scalePercent;
    c.offsetXPercent = canvas.offsetXPercent;
    c.offsetYPercent = canvas.offsetYPercent;
    c.fitMode = canvas.fitMode;
    c.background = canvas.background;
    c.aspect = canvas.aspect;
    c.paddingPercent = canvas.paddingPercent;
    c.shadow = canvas.shadow;

    c.story.captions = project.captionsFor(locale);
    c.story.intro = project.intro;
    c.story.outro = project.outro;
    c.camera = project.zoom;
    c.touches = project.touches;
    c.taps = project.taps;
    c.speed = project.speed;
    return c;
}

Project projectFromChoices(const ExportChoices& c, const std::filesystem::path& recording) {
    Project p;
    p.recording = std::filesystem::absolute(recording).lexically_normal();
    p.trimStart = c.trimStart;
    p.trimEnd = c.trimEnd;
    p.canvas.aspect = c.aspect;
    p.canvas.paddingPercent = c.paddingPercent;
    p.canvas.shadow = c.shadow;
    p.canvas.background = c.background;
    if (const BackgroundPicture* picture = c.background.asPicture()) {
        p.canvas.background =
            BackgroundFill::image(std::filesystem::absolute(picture->path).lexically_normal().string());
    }
    p.canvas.screen = c.screen;
    p.canvas.scalePercent = c.scalePercent;
    p.canvas.offsetXPercent = c.offsetXPercent;
    p.canvas.offsetYPercent = c.offsetYPercent;
    p.canvas.fitMode = c.fitMode;
    p.zoom = c.camera;
    p.touches = c.touches;
    p.taps = c.taps;
    p.speed = c.speed;
    if (!c.story.captions.empty()) p.captions[""] = c.story.captions;
    p.intro = c.story.intro;
    p.outro = c.story.outro;
    return p;
}

ProjectOutput outputFromChoices(const ExportChoices& c, OutputTarget target, std::string name) {
    ProjectOutput o;
    o.name = std::move(name);
    o.target = target;
    if (c.resolution != ExportResolution::hd720p) o.resolution = c.resolution;
    o.width = c.width;
    o.fps = c.fps;
    o.constantRate = c.constantRate;
    o.quality = c.quality;
    return o;
}

}  // namespace kestro
