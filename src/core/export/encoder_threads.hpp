#pragma once
// How many threads each encoder of a run may start when several encode at once.
//
// An encoder left to choose starts threads for the whole machine: x264 takes one and a half per
// core, plus its look-ahead. Three such encoders side by side on two cores run a dozen threads
// that take the cores from one another, and the run spends more processor time than the same
// movies made one after the other. Encoders that run together share the cores instead, by the
// pictures each has to encode: a movie with twice the pixels gets twice the threads.

#include <vector>

namespace kestro {

// `pixels`: each output's canvas area, or 0 for one whose encoder does not thread (GIF). The
// result: each output's thread count, 0 where the encoder may choose (it runs alone, or it does
// not thread). Every threaded encoder gets at least one; the counts are rounded up, so a run of
// a large and a small movie keeps the machine busy once the small one is done.
std::vector<int> shareEncoderThreads(const std::vector<long long>& pixels, int cores);

}  // namespace kestro
