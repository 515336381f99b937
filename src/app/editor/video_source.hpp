#pragma once
// The playback engine as the editor sees it. The real one is the core's FFmpeg player; tests
// put a scripted stand-in behind the same interface. Keeping the editor on this narrow
// interface is what lets the import and playback rules be tested without decoding anything.
//
// Threads: a VideoSource calls its Events from its own thread, never from the caller's; the
// editor's PlayerHandle turns them into queued signals on the interface thread. Every method is
// called from the interface thread, except latestFrame(), which any thread may call.

#include "core/media/media_error.hpp"
#include "core/result.hpp"

#include <QImage>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace kestro {

class VideoSource {
public:
    struct Events {
        std::function<void(double)> timeChanged;  // every 0.1 s while playing, and after a seek
        std::function<void()> frameReady;         // a new picture is available
        std::function<void()> reachedEnd;         // playback reached the end of the movie
        std::function<void(std::string)> failed;  // playback cannot continue
    };

    virtual ~VideoSource() = default;

    virtual double duration() const = 0;
    // Upright size of the picture (rotation already applied).
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual bool isPlaying() const = 0;
    // Exact: the next picture shown is the one at `seconds`.
    virtual void seek(double seconds) = 0;
    virtual double currentTime() const = 0;
    // The size the picture is drawn at, so decoding can scale once to it.
    virtual void setTargetSize(int width, int height) = 0;
    // The picture to show now, or a null image before the first one is decoded.
    virtual QImage latestFrame() const = 0;
};

// What the import needs to know about a file before it becomes the current movie.
struct MovieFacts {
    bool playable = true;  // a container and codecs we can decode
    bool hasVideo = false;
    double duration = 0;
    double frameRate = 0;  // frames per second; 0 when the container does not say
};

// Opens movies: the seam between the editor and the engine.
class MediaBackend {
public:
    virtual ~MediaBackend() = default;
    virtual Result<MovieFacts, MediaError> probe(const std::filesystem::path& path) = 0;
    virtual Result<std::unique_ptr<VideoSource>, MediaError> open(const std::filesystem::path& path,
                                                                  VideoSource::Events events) = 0;
};

// The engine the application ships with.
std::unique_ptr<MediaBackend> makeDefaultMediaBackend();

}  // namespace kestro
