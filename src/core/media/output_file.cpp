#include "core/media/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace kestro {

namespace fs = std::filesystem;

namespace {

constexpr int kIoBufferSize = 1 << 18;

std::string errnoText(int errnum) {
    return std::strerror(errnum);
}

std::string randomSuffix() {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string s(8, 'x');
    for (char& c : s) c = kChars[rng() % (sizeof kChars - 1)];
    return s;
}

}  // namespace

Result<std::unique_ptr<OutputFile>, OutputFileError> OutputFile::create(const fs::path& destination,
                                                                        WriteFunction write) {
    std::error_code ec;
    const fs::path dest = fs::absolute(destination, ec);
    if (ec || dest.filename().empty()) {
        return fail(OutputFileError{
            EINVAL, "The destination " + destination.string() + " is not a file name"});
    }
    if (fs::is_directory(dest, ec)) {
        return fail(OutputFileError{EISDIR, "The destination " + dest.string() + " is a folder"});
    }
    const fs::path folder = dest.parent_path();

    std::unique_ptr<OutputFile> file(new OutputFile());
    file->destination_ = dest;
    file->write_ =
        write ? std::move(write)
              : WriteFunction([](int fd, const void* p, size_t n) { return ::write(fd, p, n); });
    // A hidden name in the same folder: the final rename stays on one file system (atomic).
    for (int attempt = 0; attempt < 16; ++attempt) {
        fs::path candidate =
            folder / ("." + dest.filename().string() + "." + randomSuffix() + ".part");
        const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            file->fd_ = fd;
            file->temp_ = std::move(candidate);
            break;
        }
        if (errno != EEXIST) {
            const int err = errno;
            return fail(OutputFileError{
                err, "Cannot create a file in " + folder.string() + ": " + errnoText(err)});
        }
    }
    if (file->fd_ < 0) {
        return fail(OutputFileError{EEXIST, "Cannot create a file in " + folder.string()});
    }

    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer) return fail(OutputFileError{ENOMEM, "Out of memory"});
    file->io_.reset(avio_alloc_context(buffer, kIoBufferSize, 1, file.get(), nullptr,
                                       &OutputFile::writePacket, &OutputFile::seek));
    if (!file->io_) {
        av_free(buffer);
        return fail(OutputFileError{ENOMEM, "Out of memory"});
    }
    return file;
}

OutputFile::~OutputFile() {
    io_.reset();
    discard();
}

void OutputFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!committed_ && !temp_.empty()) {
        std::error_code ec;
        fs::remove(temp_, ec);
    }
}

int OutputFile::writePacket(void* opaque, uint8_t* data, int size) {
    auto* self = static_cast<OutputFile*>(opaque);
    if (self->errno_ != 0) return AVERROR(self->errno_);
    int done = 0;
    while (done < size) {
        const ssize_t n = self->write_(self->fd_, data + done, static_cast<size_t>(size - done));
        if (n < 0) {
            if (errno == EINTR) continue;
            self->errno_ = errno ? errno : EIO;
            return AVERROR(self->errno_);
        }
        if (n == 0) {  // a write that makes no progress would spin forever
            self->errno_ = ENOSPC;
            return AVERROR(self->errno_);
        }
        done += static_cast<int>(n);
    }
    return size;
}

int64_t OutputFile::seek(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<OutputFile*>(opaque);
    if (whence & AVSEEK_SIZE) {
        struct stat st {};
        if (::fstat(self->fd_, &st) < 0) return AVERROR(errno);
        return st.st_size;
    }
    const off_t pos = ::lseek(self->fd_, offset, whence & ~AVSEEK_FORCE);
    if (pos < 0) {
        const int err = errno;
        return AVERROR(err);
    }
    return pos;
}

Result<Done, OutputFileError> OutputFile::commit() {
    if (io_) avio_flush(io_.get());
    auto failed = [&](int err, const std::string& what) {
        return fail(OutputFileError{err, what + ": " + errnoText(err)});
    };
    if (errno_ != 0) return failed(errno_, "Cannot write " + destination_.string());
    if (::fsync(fd_) < 0) return failed(errno, "Cannot write " + destination_.string());
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) < 0) return failed(errno, "Cannot write " + destination_.string());
    if (std::rename(temp_.c_str(), destination_.c_str()) < 0) {
        return failed(errno, "Cannot replace " + destination_.string());
    }
    committed_ = true;
    return Done{};
}

}  // namespace kestro
