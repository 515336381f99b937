#include "core/capture/child_stop.hpp"

#include <thread>

namespace kestro {

namespace {
constexpr auto kPoll = std::chrono::milliseconds(50);
}

bool awaitExitOrTerminate(ChildProcess& child, std::chrono::milliseconds grace) {
    const auto deadline = std::chrono::steady_clock::now() + grace;
    while (child.isRunning()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            child.terminate();
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

bool interruptAndAwait(ChildProcess& child, std::chrono::milliseconds grace) {
    child.interrupt();
    return awaitExitOrTerminate(child, grace);
}

}  // namespace kestro
