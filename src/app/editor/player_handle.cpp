#include "app/editor/player_handle.hpp"

#include <QMetaObject>
#include <QPointer>

namespace kestro {

Result<std::unique_ptr<PlayerHandle>, MediaError> PlayerHandle::open(
    MediaBackend& backend, const std::filesystem::path& path) {
    std::unique_ptr<PlayerHandle> handle(new PlayerHandle());
    PlayerHandle* self = handle.get();
    // Called on the source's thread: only post, never touch the handle's state here.
    VideoSource::Events events;
    events.timeChanged = [self](double t) {
        QMetaObject::invokeMethod(self, [self, t] { emit self->timeChanged(t); }, Qt::QueuedConnection);
    };
    events.frameReady = [self] {
        QMetaObject::invokeMethod(self, [self] { emit self->frameReady(); }, Qt::QueuedConnection);
    };
    events.reachedEnd = [self] {
        QMetaObject::invokeMethod(self, [self] { emit self->reachedEnd(); }, Qt::QueuedConnection);
    };
    events.failed = [self](std::string message) {
        QMetaObject::invokeMethod(
            self, [self, m = QString::fromStdString(message)] { emit self->failed(m); },
            Qt::QueuedConnection);
    };
    auto source = backend.open(path, std::move(events));
    if (!source) return fail(source.error());
    handle->source_ = std::move(source.value());
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
