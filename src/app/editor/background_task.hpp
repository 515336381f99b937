#pragma once
// How the editor runs work off the interface thread, so the window keeps painting, and hands the
// result back to it. Two kinds of work, one pattern: the work runs on a named thread, and what
// follows it runs on the receiver's (interface) thread as a queued call.
//
// BackgroundTasks: short jobs (decoding a large PNG, measuring it, opening a movie) on a thread
// pool, normally below the interface thread's priority. `work` runs on a pool thread and must
// touch only what it captured by value; `done` runs on the receiver's thread, and only while the
// receiver lives. A receiver that starts tasks holds a BackgroundTasks member and destroys it
// first thing in its destructor, so a result finishing while the receiver goes is dropped
// instead of delivered.
//
// WorkerThread: one long job at a time (an export, a recorder's start or stop, which block for
// seconds) on a thread of its own, so it never holds a pool thread that short jobs wait for. The
// job's owner waits for it (wait()) before the state it touches goes; see that owner's header
// for what the job may touch meanwhile.

#include "core/thread_name.hpp"
#include "core/thread_priority.hpp"

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
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

class WorkerThread {
public:
    using Priority = BackgroundTasks::Priority;
    // The job: runs on the worker thread and returns what follows it on the receiver's thread.
    using Job = std::function<std::function<void()>()>;

    explicit WorkerThread(QObject* receiver) : receiver_(receiver) {}
    ~WorkerThread() { wait(); }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // A job runs, or it is done and its continuation has not run yet (and nobody waited).
    bool busy() const { return thread_.joinable(); }

    // Runs `job` on a new thread called `threadName` (a job still running is waited for first).
    // Once the job is done, the thread is joined and the function the job returned runs on the
    // receiver's thread, while the receiver lives.
    void run(const char* threadName, Job job, Priority priority = Priority::normal) {
        wait();
        const std::uint64_t ticket = ++ticket_;
        thread_ = std::thread([this, threadName, ticket, priority, job = std::move(job)] {
            nameThisThread(threadName);
            if (priority == Priority::background) lowerThisThreadPriority();
            std::function<void()> then = job();
            // Queued behind everything the job posted to the receiver before, so it comes last.
            QMetaObject::invokeMethod(
                receiver_,
                [this, ticket, then = std::move(then)] {
                    // A later job may hold the thread by now; this one's was joined then.
                    if (ticket == ticket_ && thread_.joinable()) thread_.join();
                    then();
                },
                Qt::QueuedConnection);
        });
    }

    // Waits for the running job on the calling (receiver's) thread. Its continuation still
    // comes, through the event loop.
    void wait() {
        if (thread_.joinable()) thread_.join();
    }

private:
    QObject* receiver_;
    std::thread thread_;
    std::uint64_t ticket_ = 0;  // the receiver's thread's only
};

}  // namespace kestro
