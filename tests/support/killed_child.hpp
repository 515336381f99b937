#pragma once
// A child process stopped the hard way: what a crash or a power cut leaves behind.

#include <functional>

namespace kestro::test {

// Runs `work` in a forked child and kills it with SIGKILL once it calls the `ready` it is given
// (the child waits there). Fails the test when the child ends without calling it, or when the
// child was not the one killed.
void killWhenReady(const std::function<void(const std::function<void()>& ready)>& work);

}  // namespace kestro::test
