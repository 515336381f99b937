#include "core/project/file_replace.hpp"

#include "core/platform.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kestro {

namespace fs = std::filesystem;

namespace {

std::string reason(int errnum) { return std::strerror(errnum); }

}  // namespace

Result<Done, std::string> replaceFileAtomically(const fs::path& destination, std::string_view bytes) {
    const fs::path folder = destination.has_parent_path() ? destination.parent_path() : fs::path(".");
    std::string pattern = (folder / ("." + destination.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return fail("Cannot write in " + folder.string() + ": " + reason(errno));
    }
    const std::string temporary(name.data());
    auto abandon = [&](int errnum) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return fail("Cannot write " + destination.string() + ": " + reason(errnum));
    };
    // The new file keeps the old one's permissions, or gets the usual ones for a new file.
    struct stat old {};
    if (::stat(destination.c_str(), &old) == 0) {
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return abandon(errno);
        }
        written += static_cast<std::size_t>(n);
    }
    if (const int errnum = platform::flushToDisk(fd); errnum != 0) return abandon(errnum);
    if (::close(fd) != 0) {
        const int errnum = errno;
        ::unlink(temporary.c_str());
        return fail("Cannot write " + destination.string() + ": " + reason(errnum));
    }
    if (std::rename(temporary.c_str(), destination.c_str()) != 0) {
        const int errnum = errno;
        ::unlink(temporary.c_str());
        return fail("Cannot write " + destination.string() + ": " + reason(errnum));
    }
    return Done{};
}

}  // namespace kestro
