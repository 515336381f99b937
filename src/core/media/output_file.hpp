#pragma once
// Where an export's bytes go: a temporary file in the destination's folder, written through our
// own AVIOContext, renamed over the destination only when the movie is complete. Until then any
// earlier file at the destination stays as it was; a file that is never committed is removed.
//
// Not even a killed process leaves a file behind. Where the system can (Linux, most local file
// systems), the temporary file has no name at all until commit: it is linked under a hidden
// name only to be renamed over the destination at once. Elsewhere it is a hidden file named
// ".<destination name>.kestro-<pid>-<random>.part", locked (flock) by its writer for as long as
// the writer lives; every new OutputFile first removes such files in its folder that nobody
// holds the lock of, so what a killed writer left goes away with the next export there. Two
// exports to the same destination each write their own file; the last to commit wins whole.
//
// Every write goes through a WriteFunction so tests can make the disk "fill up"; the first
// errno a write or seek fails with is kept, which is how a full disk is told from other
// failures whatever libav makes of it.

#include "core/media/av_ptr.hpp"
#include "core/media/ffmpeg_compat.hpp"
#include "core/media/write_function.hpp"
#include "core/result.hpp"

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace kestro {

struct OutputFileError {
    int errnum = 0;       // the errno behind it
    std::string message;  // says what failed and why, e.g. "Cannot create a file in /x: ..."
};

class OutputFile {
public:
    enum class Temporary {
        unnamedWhereSupported,  // the normal choice
        named,                  // the hidden named file even where unnamed ones exist (tests)
    };

    // Creates the temporary file next to `destination`. Fails when the destination is a folder
    // or its folder cannot be written.
    static Result<std::unique_ptr<OutputFile>, OutputFileError> create(
        const std::filesystem::path& destination, WriteFunction write = {},
        Temporary kind = Temporary::unnamedWhereSupported);

    // Removes, from `folder`, the temporary files of writers that are gone. Done by create();
    // callers only need it to tidy a folder without writing to it. Returns how many it removed.
    static int removeAbandoned(const std::filesystem::path& folder);

    ~OutputFile();  // removes the temporary file unless committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    AVIOContext* io() const { return io_.get(); }
    // A URL libav can reopen the temporary file with (the MP4 muxer reads it back for
    // +faststart).
    std::string url() const { return "file:" + reopenPath_; }
    // The hidden file's name; empty while the file has no name.
    const std::filesystem::path& tempPath() const { return temp_; }
    bool isUnnamed() const { return unnamed_; }

    // The first errno a write or seek failed with; 0 while all went well.
    int writeErrno() const { return errno_; }

    // Flushes, syncs to disk and renames over the destination.
    Result<Done, OutputFileError> commit();

private:
    OutputFile() = default;
    static int writePacket(void* opaque, ffmpeg::WriteData data, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);
    void discard();

    std::filesystem::path destination_;
    std::filesystem::path folder_;
    std::filesystem::path temp_;
    std::string reopenPath_;
    WriteFunction write_;
    int fd_ = -1;
    bool unnamed_ = false;
    int errno_ = 0;
    bool committed_ = false;
    AVIOContextPtr io_;
};

}  // namespace kestro
