#pragma once
// How an output file's bytes are written. Every write goes through one, so tests can make the
// disk "fill up"; named apart from the output file, so choosing one does not bring libav's
// headers along.

#include <sys/types.h>

#include <cstddef>
#include <functional>

namespace kestro {

// Same contract as POSIX write(2): bytes written, or -1 with errno set.
using WriteFunction = std::function<ssize_t(int fd, const void* data, std::size_t size)>;

}  // namespace kestro
