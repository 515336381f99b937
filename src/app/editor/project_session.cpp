#include "app/editor/project_session.hpp"

#include "app/editor/editor_state.hpp"
#include "core/project/project_file.hpp"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cmath>
#include <memory>
#include <utility>

namespace kestro {

namespace fs = std::filesystem;

namespace {

fs::path toPath(const QString& path) { return fs::path(path.toStdString()); }
QString toQString(const fs::path& path) { return QString::fromStdString(path.string()); }

// The captions the editor shows and edits: the project's default locale, else its first.
std::string editedLocale(const Project& project) {
    if (project.captions.empty() || project.captions.count("")) return "";
    return project.captions.begin()->first;
}

}  // namespace

ProjectSession::ProjectSession(EditorState& state, QString recoveryFile, QObject* parent)
    : QObject(parent), state_(state), recoveryFile_(std::move(recoveryFile)) {
    const auto changed = [this] {
        markModified();
        // A movie of its own has its mark while it differs from how it came.
        if (plainMovie_) emit titleChanged();
    };
    connect(&state_.playback(), &PlaybackSession::videoPathChanged, this, changed);
    connect(&state_.playback(), &PlaybackSession::videoPathChanged, this, &ProjectSession::movieChanged);
    connect(&state_.playback(), &PlaybackSession::trimStartChanged, this, changed);
    connect(&state_.playback(), &PlaybackSession::trimEndChanged, this, changed);
    connect(&state_.frame(), &FrameSelection::framePresetChanged, this, changed);
    connect(&state_.frame(), &FrameSelection::frameOrientationChanged, this, changed);
    connect(&state_.frame(), &FrameSelection::placementChanged, this, changed);
    connect(&state_.exportChoices(), &ExportChoicesStore::exportBackgroundChanged, this, changed);
    connect(&state_.exportChoices(), &ExportChoicesStore::customBackgroundColorChanged, this,
            changed);
    connect(&state_.exportChoices(), &ExportChoicesStore::canvasChoicesChanged, this, changed);
    connect(&state_, &EditorState::touchTrackChanged, this, changed);
    connect(&state_, &EditorState::tapStyleChanged, this, changed);
    connect(&state_.camera(), &CameraEditor::trackChanged, this, changed);
    connect(&state_.speedTrack(), &SpeedTrackState::changed, this, changed);
    connect(&state_.story(), &StoryTrack::changed, this, changed);
    // KESTRO_RECOVERY_INTERVAL_MS shortens the wait for the tests that crash the app on purpose.
    const int interval = qEnvironmentVariableIntValue("KESTRO_RECOVERY_INTERVAL_MS");
    recoveryTimer_.setInterval(interval > 0 ? interval : kRecoveryIntervalMs);
    connect(&recoveryTimer_, &QTimer::timeout, this, &ProjectSession::writeRecovery);
    recoveryTimer_.start();
}

QString ProjectSession::displayName() const {
    return path_ ? QFileInfo(*path_).completeBaseName() : QStringLiteral("Untitled");
}

Project ProjectSession::snapshot() const {
    Project p = base_;
    const auto video = state_.playback().videoPath();
    p.recording = video ? toPath(*video) : fs::path();
    p.trimStart = state_.playback().trimStart();
    p.trimEnd = state_.playback().trimEnd() > 0 && std::isfinite(state_.playback().trimEnd())
                    ? state_.playback().trimEnd()
                    : std::numeric_limits<double>::infinity();
    p.frameKey.clear();
    p.frameImage.clear();
    if (!state_.frame().customFramePath().isEmpty()) {
        p.frameImage = toPath(state_.frame().customFramePath());
    } else {
        p.frameKey = state_.frame().framePreset().toStdString();
    }
    p.orientation = state_.frame().frameOrientation();
    const CanvasChoices& canvas = state_.exportChoices().canvasChoices();
    p.canvas.aspect = canvas.aspect;
    p.canvas.paddingPercent = canvas.paddingPercent;
    p.canvas.shadow = canvas.shadow;
    p.canvas.background = state_.exportChoices().canvasBackground();
    p.canvas.scalePercent = state_.frame().scale();
    p.canvas.offsetXPercent = state_.frame().offsetX();
    p.canvas.offsetYPercent = state_.frame().offsetY();
    // The tracks as edited; captions of the other locales stay as the file had them.
    p.zoom = state_.camera().track();
    p.touches = state_.touchTrack();
    p.taps = state_.tapStyle();
    p.speed = state_.speedTrack().segments();
    const StoryText& story = state_.story().text();
    const std::string locale = editedLocale(base_);
    if (story.captions.empty()) {
        p.captions.erase(locale);
    } else {
        p.captions[locale] = story.captions;
    }
    p.intro = story.intro;
    p.outro = story.outro;
    return p;
}

bool ProjectSession::saveAs(const QString& file, QString* error) {
    QString target = file;
    if (!target.endsWith(QLatin1String(kProjectExtension))) target += QLatin1String(kProjectExtension);
    const Project project = snapshot();
    if (project.recording.empty()) {
        if (error) *error = QStringLiteral("Open a movie before saving the project.");
        return false;
    }
    if (auto saved = saveProject(project, toPath(target)); !saved) {
        if (error) *error = QString::fromStdString(saved.error().describe());
        return false;
    }
    base_ = project;
    setClean(QFileInfo(target).absoluteFilePath());
    return true;
}

bool ProjectSession::save(QString* error) {
    if (!path_) {
        if (error) *error = QStringLiteral("The project has no file yet.");
        return false;
    }
    return saveAs(*path_, error);
}

bool ProjectSession::open(const QString& file, QString* error) {
    auto loaded = loadProject(toPath(file));
    if (!loaded) {
        if (error) *error = QString::fromStdString(loaded.error().describe());
        return false;
    }
    modifiedOnceShown_ = false;
    apply(*loaded);
    setClean(QFileInfo(file).absoluteFilePath());
    return true;
}

void ProjectSession::clear() {
    ++applying_;
    state_.playback().clearVideo();
    --applying_;
    base_ = Project{};
    setClean(std::nullopt);
}

void ProjectSession::apply(const Project& project) {
    base_ = project;
    projectMovieAwaited_ = true;
    ++applying_;
    state_.frame().setFrameOrientation(project.orientation);
    if (!project.frameImage.empty()) {
        state_.frame().useCustomFrame(toQString(project.frameImage));
    } else {
        state_.frame().setFramePreset(QString::fromStdString(project.frameKey));
    }
    CanvasChoices canvas;
    canvas.aspect = project.canvas.aspect;
    canvas.paddingPercent = project.canvas.paddingPercent;
    canvas.shadow = project.canvas.shadow;
    if (const FillColour* colour = project.canvas.background.asColour()) {
        state_.exportChoices().setExportBackground(ExportBackground::custom);
        state_.exportChoices().setCustomBackgroundColor(
            QColor::fromRgbF(static_cast<float>(colour->red), static_cast<float>(colour->green),
                             static_cast<float>(colour->blue), static_cast<float>(colour->alpha)));
    } else {
        canvas.pattern = project.canvas.background;
    }
    state_.exportChoices().setCanvasChoices(canvas);
    state_.setTapStyle(project.taps);
    --applying_;

    // The trim and the placement need the movie: they follow once it has loaded (the frame's
    // own load resets the placement, so it is set again when the frame image lands).
    const double start = project.trimStart;
    const double end = project.trimEnd;
    const double scale = project.canvas.scalePercent;
    const double dx = project.canvas.offsetXPercent;
    const double dy = project.canvas.offsetYPercent;
    ++applying_;
    StoryText story;
    story.captions = project.captionsFor(editedLocale(project));
    story.intro = project.intro;
    story.outro = project.outro;
    state_.playback().loadVideo(toQString(project.recording), [this, start, end, scale, dx, dy,
                                                               zoom = project.zoom,
                                                               speed = project.speed,
                                                               touches = project.touches,
                                                               story](bool loaded) {
        if (!loaded) return;
        ++applying_;
        if (std::isfinite(end)) state_.playback().setTrimEnd(end);
        state_.playback().setTrimStart(start);
        // The tracks as the file has them; opening is not an edit to undo.
        if (!touches.empty()) state_.setTouchTrack(touches);
        state_.camera().applyTrack(zoom, -1);
        state_.speedTrack().replace(speed, QString());
        state_.story().replace(story, QString(), false);
        state_.history().clear();
        --applying_;
        // What the movie's and the frame's arrival changed is the project as opened, not an edit.
        auto settle = [this, scale, dx, dy] {
            ++applying_;
            state_.frame().setPlacement(scale, dx, dy);
            --applying_;
            modified_ = modifiedOnceShown_;
            emit titleChanged();
        };
        if (!state_.frame().frameLoading()) return settle();
        auto once = std::make_shared<QMetaObject::Connection>();
        *once = connect(&state_.frame(), &FrameSelection::frameImageChanged, this, [once, settle] {
            QObject::disconnect(*once);
            settle();
        });
    });
    --applying_;
}

bool ProjectSession::hasRecovery() const { return QFile::exists(recoveryFile_); }

bool ProjectSession::restoreRecovery(QString* error) {
    auto loaded = loadProject(toPath(recoveryFile_));
    if (!loaded) {
        if (error) *error = QString::fromStdString(loaded.error().describe());
        return false;
    }
    // Where the project was saved before, if it was.
    std::optional<QString> savedAs;
    if (loaded->document.contains("recoveredFrom") && loaded->document["recoveredFrom"].is_string()) {
        savedAs = QString::fromStdString(loaded->document["recoveredFrom"].get<std::string>());
    }
    loaded->document.erase("recoveredFrom");
    modifiedOnceShown_ = true;
    apply(*loaded);
    path_ = savedAs;
    modified_ = true;
    discardRecovery();
    emit titleChanged();
    return true;
}

void ProjectSession::discardRecovery() { QFile::remove(recoveryFile_); }

void ProjectSession::writeRecovery() {
    if (!modified_) return;
    Project project = snapshot();
    if (project.recording.empty()) return;
    if (path_) project.document["recoveredFrom"] = path_->toStdString();
    QDir().mkpath(QFileInfo(recoveryFile_).absolutePath());
    // Best effort: a recovery copy that cannot be written leaves the last one in place.
    (void)saveProject(project, toPath(recoveryFile_));
}

void ProjectSession::markModified() {
    if (applying_ > 0 || modified_) return;
    modified_ = true;
    emit titleChanged();
}

bool ProjectSession::hasChangesToLose() const {
    if (!modified_ || !state_.playback().videoPath()) return false;
    if (!plainMovie_) return true;
    return arrived_ && !sameProject(snapshot(), *arrived_);
}

void ProjectSession::movieChanged() {
    ++arrivals_;
    arrived_.reset();
    plainMovie_ = !std::exchange(projectMovieAwaited_, false) && !path_ && state_.playback().videoPath();
    if (!plainMovie_) return;
    // The movie's arrival goes on after this signal (the frame chosen for it, its opening, the
    // placement reset): recorded once that is over.
    QTimer::singleShot(0, this, [this, generation = arrivals_] { recordArrival(generation); });
}

void ProjectSession::recordArrival(int generation) {
    if (generation != arrivals_ || !plainMovie_) return;
    if (!state_.frame().frameLoading()) {
        arrived_ = snapshot();
        emit titleChanged();
        return;
    }
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = connect(&state_.frame(), &FrameSelection::frameImageChanged, this, [this, once, generation] {
        QObject::disconnect(*once);
        QTimer::singleShot(0, this, [this, generation] { recordArrival(generation); });
    });
}

void ProjectSession::setClean(std::optional<QString> path) {
    plainMovie_ = false;
    path_ = std::move(path);
    modified_ = false;
    discardRecovery();
    emit titleChanged();
}

}  // namespace kestro
