#include "FileContents.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qx {

namespace {

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

std::optional<std::string> ReadFileContents(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

ReplaceResult ReplaceFileContents(const std::string& path, std::string_view bytes)
{
    const auto slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // A file its owner has made read-only is refused, as writing it in place
    // would be; the rename alone would replace it regardless.
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing && ::access(path.c_str(), W_OK) != 0)
        return ReplaceResult::CannotCreate;
    std::string temporary = directory + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return ReplaceResult::CannotCreate;

    // Keep the permissions of the file being replaced; a new file gets the
    // usual ones.
    if (replacing)
        ::fchmod(fd, old.st_mode & 07777);
    else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(temporary.c_str());
        return ReplaceResult::CannotWrite;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return ReplaceResult::CannotCreate;
    }
    if (const int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return ReplaceResult::Replaced;
}

} // namespace qx
