#include "cli/cancel_signals.hpp"

#include <atomic>

namespace kestro::cli {

namespace {

std::atomic<int> gCancelSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onCancelSignal(int signal) { gCancelSignal.store(signal); }

}  // namespace

CancelSignals::CancelSignals() {
    gCancelSignal.store(0);
    struct sigaction action {};
    action.sa_handler = onCancelSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
}

CancelSignals::~CancelSignals() {
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
}

bool cancelRequested() { return gCancelSignal.load() != 0; }

}  // namespace kestro::cli
