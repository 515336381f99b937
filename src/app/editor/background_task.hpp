#pragma once
// Work that would stall the window (decoding a large PNG, measuring it, opening a movie) runs on
// a thread pool, normally below the interface thread's priority, and hands its result back to
// the interface thread.
//
// Threads: `work` runs on a pool thread and must touch only what it captured by value; `done`
// runs on the receiver's (interface) thread, and only while the receiver lives. A receiver that
// starts tasks holds a BackgroundTasks member and destroys it first thing in its destructor, so
// a result finishing while the receiver goes is dropped instead of delivered.

#include "core/thread_name.hpp"
#include "core/thread_priority.hpp"

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace kestro {

class BackgroundTasks {
public:
    explicit BackgroundTasks(QObject* receiver) : link_(std::make_shared<Link>()) {
        link_->receiver = receiver;
    }
    ~BackgroundTasks() { detach(); }
    BackgroundTasks(const BackgroundTasks&) = delete;
    BackgroundTasks& operator=(const BackgroundTasks&) = delete;

    // No result is delivered after this; waits for a delivery in progress to be posted.
    void detach() {
        std::lock_guard lock(link_->mutex);
        link_->receiver = nullptr;
    }

    // How a job's thread is scheduled against the interface thread. `background` yields to it;
    // `normal` is for a job that starts threads the interface waits on (a movie's player shares
    // its pictures under a lock), since started threads inherit the job's priority.
    enum class Priority { background, normal };

    template <class Result>
    void run(const char* threadName, std::function<Result()> work, std::function<void(Result)> done,
             Priority priority = Priority::background) {
        poolFor(priority).start([link = link_, threadName, work = std::move(work),
                                 done = std::move(done), priority]() mutable {
            nameThisThread(threadName);
            if (priority == Priority::background) lowerOnce();
            auto result = std::make_shared<Result>(work());
            // Posted under the lock, so the receiver cannot be destroyed between the check
            // and the post; Qt drops posted calls whose receiver is gone.
            std::lock_guard lock(link->mutex);
            if (!link->receiver) return;
            QMetaObject::invokeMethod(
                link->receiver, [done = std::move(done), result] { done(std::move(*result)); },
                Qt::QueuedConnection);
        });
    }

    // Waits for every job still running. Called before the application object goes: a job may
    // still be painting a picture, and painting needs the application's fonts and engines.
    static void waitForAll() {
        poolFor(Priority::background).waitForDone();
        poolFor(Priority::normal).waitForDone();
    }

private:
    // Lowered threads cannot be raised again without privileges, so the two kinds of job run on
    // separate pools: the global one at normal priority, and one whose threads are lowered.
    static QThreadPool& poolFor(Priority priority) {
        if (priority == Priority::normal) return *QThreadPool::globalInstance();
        // Destroyed at exit, after waiting for the jobs still running.
        static QThreadPool lowered;
        return lowered;
    }
    static void lowerOnce() {
        thread_local bool lowered = false;
        if (!lowered) lowerThisThreadPriority();
        lowered = true;
    }

    struct Link {
        std::mutex mutex;
        QObject* receiver = nullptr;
    };
    std::shared_ptr<Link> link_;
};

}  // namespace kestro
