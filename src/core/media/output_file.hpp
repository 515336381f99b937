#pragma once
// Where an export's bytes go: a temporary file in the destination's folder, written through our
// own AVIOContext, renamed over the destination only when the movie is complete. Until then any
// earlier file at the destination stays as it was; a file that is never committed is removed.
//
// Every write goes through a WriteFunction so tests can make the disk "fill up"; the first
// errno a write or seek fails with is kept, which is how a full disk is told from other
// failures whatever libav makes of it.

#include "core/media/av_ptr.hpp"
#include "core/result.hpp"

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace kestro {

// Same contract as POSIX write(2): bytes written, or -1 with errno set.
using WriteFunction = std::function<ssize_t(int fd, const void* data, std::size_t size)>;

struct OutputFileError {
    int errnum = 0;       // the errno behind it
    std::string message;  // says what failed and why, e.g. "Cannot create a file in /x: ..."
};

class OutputFile {
public:
    // Creates the temporary file next to `destination`. Fails when the destination is a folder
    // or its folder cannot be written.
    static Result<std::unique_ptr<OutputFile>, OutputFileError> create(
        const std::filesystem::path& destination, WriteFunction write = {});

    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    AVIOContext* io() const { return io_.get(); }
    // A URL libav can reopen the temporary file with (the MP4 muxer reads it back for
    // +faststart).
    std::string url() const { return "file:" + temp_.string(); }
    const std::filesystem::path& tempPath() const { return temp_; }

    // The first errno a write or seek failed with; 0 while all went well.
    int writeErrno() const { return errno_; }

    // Flushes, syncs to disk and renames over the destination.
    Result<Done, OutputFileError> commit();

private:
    OutputFile() = default;
    static int writePacket(void* opaque, uint8_t* data, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);
    void discard();

    std::filesystem::path destination_;
    std::filesystem::path temp_;
    WriteFunction write_;
    int fd_ = -1;
    int errno_ = 0;
    bool committed_ = false;
    AVIOContextPtr io_;
};

}  // namespace kestro
