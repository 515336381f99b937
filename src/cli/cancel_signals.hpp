#pragma once
// Ctrl-C (or a polite kill) while the engine works: it asks the engine to stop, so that it
// removes its temporary file and leaves any earlier output untouched. A second Ctrl-C ends the
// process at once (SA_RESETHAND).
//
// The flag is written by the signal handler and read by the engine's cancel query on whichever
// thread polls it; it is a lock-free atomic, so both are safe.

#include <signal.h>

namespace kestro::cli {

// Installs the handlers for its lifetime and clears any earlier request.
class CancelSignals {
public:
    CancelSignals();
    ~CancelSignals();
    CancelSignals(const CancelSignals&) = delete;
    CancelSignals& operator=(const CancelSignals&) = delete;

private:
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

// Whether a signal asked to stop since the CancelSignals in force was made.
bool cancelRequested();

}  // namespace kestro::cli
