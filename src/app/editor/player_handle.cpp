#include "app/editor/player_handle.hpp"

#include <QMetaObject>

#include <functional>
#include <mutex>
#include <vector>

namespace kestro {

// Carries a source's events, from the source's thread, to the handle that owns the source. Until
// a handle adopts the source there is nobody to tell: the events wait here, in order.
class PlayerHandle::EventRelay {
public:
    using Emission = std::function<void(PlayerHandle&)>;

    void post(Emission emission) {
        std::lock_guard lock(mutex_);
        if (!target_) {
            waiting_.push_back(std::move(emission));
            return;
        }
        deliver(target_, std::move(emission));
    }

    void attach(PlayerHandle* handle) {
        std::lock_guard lock(mutex_);
        target_ = handle;
        for (Emission& emission : waiting_) deliver(handle, std::move(emission));
        waiting_.clear();
    }

private:
    // Safe without a guard on the handle: it destroys the source, and with it this sender,
    // before it goes; a call still queued is dropped by Qt with its receiver.
    static void deliver(PlayerHandle* handle, Emission emission) {
        QMetaObject::invokeMethod(
            handle, [handle, emission = std::move(emission)] { emission(*handle); },
            Qt::QueuedConnection);
    }

    std::mutex mutex_;
    PlayerHandle* target_ = nullptr;
    std::vector<Emission> waiting_;
};

Result<PlayerHandle::OpenedSource, MediaError> PlayerHandle::openSource(
    MediaBackend& backend, const std::filesystem::path& path) {
    auto relay = std::make_shared<EventRelay>();
    // Called on the source's thread: only post, never touch a handle's state here.
    VideoSource::Events events;
    events.timeChanged = [relay](double t) {
        relay->post([t](PlayerHandle& h) { emit h.timeChanged(t); });
    };
    events.frameReady = [relay] { relay->post([](PlayerHandle& h) { emit h.frameReady(); }); };
    events.reachedEnd = [relay] { relay->post([](PlayerHandle& h) { emit h.reachedEnd(); }); };
    events.failed = [relay](std::string message) {
        relay->post([m = QString::fromStdString(message)](PlayerHandle& h) { emit h.failed(m); });
    };
    auto source = backend.open(path, std::move(events));
    if (!source) return fail(source.error());
    return OpenedSource{std::move(relay), std::move(source.value())};
}

std::unique_ptr<PlayerHandle> PlayerHandle::adopt(OpenedSource opened) {
    std::unique_ptr<PlayerHandle> handle(new PlayerHandle());
    handle->source_ = std::move(opened.source);
    opened.relay->attach(handle.get());
    return handle;
}

PlayerHandle::~PlayerHandle() {
    // Stop the source's thread before the QObject goes away.
    source_.reset();
}

void PlayerHandle::setTargetSize(QSize size) {
    if (size == target_ || size.isEmpty()) return;
    target_ = size;
    source_->setTargetSize(size.width(), size.height());
}

}  // namespace kestro
