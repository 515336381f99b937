#pragma once
// A fixed number of canvas pictures, each born as a copy of the constant canvas and handed out
// again once the last reference to it is dropped. The compositor only ever writes inside the
// screen, so a picture coming back still holds the constant canvas everywhere else, and an
// export keeps exactly as many full canvases in memory as its stages can use at once. When all
// are out, acquire() waits for one to come back, which paces the composing to the encoding.
//
// Threads: acquire() is called by one thread (the compose thread); references to the pictures
// it returns may be dropped on any thread; interrupt() may be called from any thread. The
// memory lives until the pool and every picture from it are gone, in whatever order.

#include "core/media/av_ptr.hpp"
#include "core/media/media_error.hpp"
#include "core/result.hpp"

#include <memory>

namespace kestro {

class CanvasPool {
public:
    // `count` copies of `canvas` (a planar picture with its own buffers).
    static Result<std::unique_ptr<CanvasPool>, MediaError> create(const AVFrame& canvas,
                                                                  int count);
    ~CanvasPool();

    // A free picture (format, size and colour tags of the canvas), waiting for one if needed;
    // an error once interrupt() was called.
    Result<AVFramePtr, MediaError> acquire();

    // Wakes a waiting acquire() and makes every later one fail: the pipeline is stopping.
    void interrupt();

private:
    struct Shared;
    struct Ticket;
    static void giveBack(void* opaque, uint8_t* data);
    explicit CanvasPool(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}
    std::shared_ptr<Shared> shared_;
};

}  // namespace kestro
