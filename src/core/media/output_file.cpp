#include "core/media/output_file.hpp"

#include "core/platform.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>
#include <utility>

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

constexpr std::string_view kTag = ".kestro-";
constexpr std::string_view kExtension = ".part";

// ".<destination name>.kestro-<pid>-<8 random>.part"
std::string temporaryName(const fs::path& destination) {
    // Appended, not "." + string: GCC 12 at -O3 misreads that as overlapping (-Wrestrict).
    std::string name = ".";
    name += destination.filename().string();
    name += kTag;
    name += std::to_string(::getpid()) + "-" + randomSuffix();
    name += kExtension;
    return name;
}

bool isTemporaryName(const std::string& name) {
    if (name.size() < 1 + kTag.size() + 1 + 1 + 8 + kExtension.size() || name[0] != '.')
        return false;
    if (name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) != 0) {
        return false;
    }
    const std::string_view rest(name.data(), name.size() - kExtension.size());
    const std::size_t tag = rest.rfind(kTag);
    if (tag == std::string_view::npos || tag == 0) return false;
    const std::string_view pidAndRandom = rest.substr(tag + kTag.size());
    const std::size_t dash = pidAndRandom.find('-');
    if (dash == 0 || dash == std::string_view::npos || pidAndRandom.size() - dash - 1 != 8) {
        return false;
    }
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto isRandom = [&](char c) { return isDigit(c) || (c >= 'a' && c <= 'z'); };
    const std::string_view pid = pidAndRandom.substr(0, dash);
    const std::string_view random = pidAndRandom.substr(dash + 1);
    return std::all_of(pid.begin(), pid.end(), isDigit) &&
           std::all_of(random.begin(), random.end(), isRandom);
}

enum class Lock { taken, busy, unsupported };

// The writer's lock: held for as long as the file descriptor stays open in the writing process.
// Some network and FUSE file systems have no locks at all: writers then go without, and their
// files are never taken for abandoned.
Lock lockExclusively(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        return errno == EWOULDBLOCK ? Lock::busy : Lock::unsupported;
    }
    return Lock::taken;
}

// Opens a new hidden temporary file in `folder`, locked. The lock is taken after the file
// exists, so a cleaner in another process may have taken it first and removed the file: the
// name is checked to still be ours before it is used.
int openNamedTemporary(const fs::path& folder, const fs::path& destination, fs::path& path,
                       int& err) {
    for (int attempt = 0; attempt < 16; ++attempt) {
        fs::path candidate = folder / temporaryName(destination);
        const int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            err = errno;
            return -1;
        }
        struct stat opened {};
        struct stat named {};
        if (lockExclusively(fd) != Lock::busy && ::fstat(fd, &opened) == 0 &&
            ::stat(candidate.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
            opened.st_ino == named.st_ino) {
            path = std::move(candidate);
            return fd;
        }
        ::close(fd);
    }
    err = EEXIST;
    return -1;
}

}  // namespace

int OutputFile::removeAbandoned(const fs::path& folder) {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!isTemporaryName(name)) continue;
        const int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st {};
        // Only regular files of ours, and only while we hold the lock its writer would hold.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && lockExclusively(fd) == Lock::taken) {
            if (::unlink(it->path().c_str()) == 0) ++removed;
        }
        ::close(fd);
    }
    return removed;
}

Result<std::unique_ptr<OutputFile>, OutputFileError> OutputFile::create(const fs::path& destination,
                                                                        WriteFunction write,
                                                                        Temporary kind) {
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
    removeAbandoned(folder);

    std::unique_ptr<OutputFile> file(new OutputFile());
    file->destination_ = dest;
    file->folder_ = folder;
    file->write_ =
        write ? std::move(write)
              : WriteFunction([](int fd, const void* p, size_t n) { return ::write(fd, p, n); });
    // In the destination's folder: the final rename stays on one file system (atomic).
    if (kind == Temporary::unnamedWhereSupported) {
        const int fd = platform::openUnnamedFile(folder);
        if (fd >= 0) {
            // Locked too, so that once it has a name no cleaner takes it for abandoned.
            (void)lockExclusively(fd);
            file->fd_ = fd;
            file->unnamed_ = true;
            file->reopenPath_ = platform::pathOfDescriptor(fd);
        }
    }
    if (file->fd_ < 0) {
        int err = 0;
        fs::path path;
        const int fd = openNamedTemporary(folder, dest, path, err);
        if (fd < 0) {
            return fail(OutputFileError{
                err, "Cannot create a file in " + folder.string() + ": " + errnoText(err)});
        }
        file->fd_ = fd;
        file->temp_ = path;
        file->reopenPath_ = path.string();
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
    // The name goes while the lock is still held, so no cleaner sees it unlocked first.
    if (!committed_ && !temp_.empty()) {
        std::error_code ec;
        fs::remove(temp_, ec);
    }
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int OutputFile::writePacket(void* opaque, ffmpeg::WriteData data, int size) {
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
    if (fd_ < 0) return failed(EBADF, "Cannot write " + destination_.string());
    if (errno_ != 0) return failed(errno_, "Cannot write " + destination_.string());
    if (const int err = platform::flushToDisk(fd_); err != 0)
        return failed(err, "Cannot write " + destination_.string());
    if (unnamed_) {
        // A name for the rename below; the file stays locked, and discard() removes the name if
        // the rename fails.
        int err = EEXIST;
        for (int attempt = 0; attempt < 16 && err == EEXIST; ++attempt) {
            fs::path candidate = folder_ / temporaryName(destination_);
            err = platform::nameUnnamedFile(fd_, candidate);
            if (err == 0) temp_ = std::move(candidate);
        }
        if (err != 0) return failed(err, "Cannot write " + destination_.string());
    }
    if (std::rename(temp_.c_str(), destination_.c_str()) < 0) {
        return failed(errno, "Cannot replace " + destination_.string());
    }
    committed_ = true;
    // Closed only now: the lock keeps cleaners off the named file until it is renamed. Every
    // byte already reached the disk (fsync), so a failing close loses nothing.
    ::close(std::exchange(fd_, -1));
    return Done{};
}

}  // namespace kestro
