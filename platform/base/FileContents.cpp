#include "FileContents.h"

#include "ProgramFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>

namespace qx {

namespace {

#ifdef IOV_MAX
constexpr std::size_t kPiecesPerCall = IOV_MAX;
#else
constexpr std::size_t kPiecesPerCall = 1024;
#endif

// Writes the pieces in order, as many to a call as the system takes, going
// on after a short write from the byte where it stopped.
bool writeAll(int fd, std::span<const std::string_view> pieces)
{
    std::size_t next = 0; // the first piece not yet written whole
    std::size_t done = 0; // the bytes of that piece already written
    iovec batch[kPiecesPerCall];
    while (next < pieces.size()) {
        std::size_t count = 0;
        for (std::size_t i = next; i < pieces.size() && count < kPiecesPerCall; ++i) {
            const std::string_view piece = i == next ? pieces[i].substr(done) : pieces[i];
            if (!piece.empty())
                batch[count++] = {const_cast<char*>(piece.data()), piece.size()};
        }
        if (count == 0)
            return true;
        const ssize_t n = ::writev(fd, batch, static_cast<int>(count));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        auto written = static_cast<std::size_t>(n);
        while (next < pieces.size() && written >= pieces[next].size() - done) {
            written -= pieces[next].size() - done;
            done = 0;
            ++next;
        }
        done += written;
    }
    return true;
}

bool writeAll(int fd, const ContentSource& contents)
{
    return contents([fd](std::span<const std::string_view> pieces) { return writeAll(fd, pieces); });
}

// A name mkstemp made from ".<name>.XXXXXX" for this very name.
bool isTemporaryOf(std::string_view entry, const std::string& name)
{
    constexpr std::size_t kRandom = 6;
    if (entry.size() != name.size() + 2 + kRandom || entry[0] != '.' || entry.substr(1, name.size()) != name
        || entry[name.size() + 1] != '.')
        return false;
    for (const char c : entry.substr(name.size() + 2)) {
        const bool alphanumeric = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!alphanumeric)
            return false;
    }
    return true;
}

// Removes the temporary files a save of this file left when it was killed
// before its rename. A save still running holds a lock on its temporary file,
// and such a file is left alone; so is anything that is not a regular file.
void removeStaleTemporaries(const std::string& directory, const std::string& name)
{
    DIR* dir = ::opendir(directory.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isTemporaryOf(entry->d_name, name))
            continue;
        const std::string candidate = directory + "/" + entry->d_name;
        const int fd = ::open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::lstat(candidate.c_str(), &named) == 0 && named.st_dev == opened.st_dev
            && named.st_ino == opened.st_ino)
            ::unlink(candidate.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

// Errors of making a file beside the target that say the directory is closed
// to this user, not that the disk is full or the file is busy.
bool mayWriteInPlace(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// The old way of saving, for a file the user may write in a directory where
// no new file may be made: without it every close of the window would fail
// there, and a failed save keeps the window open. It is not crash-safe: a
// crash or a full disk between the truncation and the fsync leaves the file
// short or empty.
ReplaceResult writeInPlace(const std::string& path, const ContentSource& contents)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return ReplaceResult::CannotCreate;
    const bool written = writeAll(fd, contents) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    return written && closed ? ReplaceResult::Replaced : ReplaceResult::CannotWrite;
}

std::int64_t nanoseconds(const timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

std::optional<FileIdentity> identityFrom(const struct stat& info)
{
    if (!S_ISREG(info.st_mode))
        return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                        static_cast<std::uint64_t>(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

} // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? identityFrom(info) : std::nullopt;
}

std::optional<FileIdentity> IdentityOfOpen(int fd)
{
    struct stat info {};
    return ::fstat(fd, &info) == 0 ? identityFrom(info) : std::nullopt;
}

bool IdentityIsSettled(const FileIdentity& identity)
{
    timespec now {};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0)
        return false;
    // Stamps in whole milliseconds come from a file system that keeps them
    // coarsely (to the second, or two); finer ones from the kernel's coarse
    // clock, which moves on a tick of at most 10 ms at a time.
    constexpr std::int64_t kMillisecond = 1'000'000;
    const bool coarse = identity.Modified % kMillisecond == 0 && identity.Changed % kMillisecond == 0;
    const std::int64_t margin = (coarse ? 3000 : 20) * kMillisecond;
    return std::max(identity.Modified, identity.Changed) + margin <= nanoseconds(now);
}

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

std::optional<std::string> ResolveSaveTarget(const std::string& path)
{
    constexpr int kMaxLinks = 40; // as many as the system follows in one path
    std::string current = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return current;
        std::string target(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 256, '\0');
        for (;;) {
            const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
            if (n <= 0)
                return std::nullopt;
            if (static_cast<std::size_t>(n) < target.size()) {
                target.resize(static_cast<std::size_t>(n));
                break;
            }
            target.resize(target.size() * 2); // the link changed while it was read
        }
        const auto slash = current.rfind('/');
        if (target[0] != '/' && slash != std::string::npos)
            target = current.substr(0, slash + 1) + target;
        current = std::move(target);
    }
    return std::nullopt;
}

ReplaceResult ReplaceFileContents(const std::string& path, std::string_view bytes)
{
    const std::string_view whole[] = {bytes};
    return ReplaceFileContents(path, whole);
}

ReplaceResult ReplaceFileContents(const std::string& path, std::span<const std::string_view> pieces)
{
    return ReplaceFileContents(path, [pieces](const PieceWriter& write) { return write(pieces); });
}

ReplaceResult ReplaceFileContents(const std::string& path, const ContentSource& contents)
{
    const std::optional<std::string> target = ResolveSaveTarget(path);
    if (!target)
        return ReplaceResult::CannotCreate;
    const std::string directory = DirectoryOf(*target);
    const std::string name = NameOf(*target);
    removeStaleTemporaries(directory, name);

    // A file its owner has made read-only is refused, as writing it in place
    // would be; the rename alone would replace it regardless.
    struct stat old {};
    const bool replacing = ::stat(target->c_str(), &old) == 0 && S_ISREG(old.st_mode);
    if (replacing && ::faccessat(AT_FDCWD, target->c_str(), W_OK, AT_EACCESS) != 0)
        return ReplaceResult::CannotCreate;

    std::string temporary = directory + "/." + name + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return replacing && mayWriteInPlace(errno) ? writeInPlace(*target, contents) : ReplaceResult::CannotCreate;
    // Held until the rename is done, so that another save of the same file
    // never takes this one for a leftover.
    ::flock(fd, LOCK_EX);

    if (replacing) {
        // The owner first: changing it may clear the set-id bits set below.
        // A user who may not give the file away may still keep its group.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Neither: the file becomes the user's, with the user's group.
        }
        ::fchmod(fd, old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }

    const bool written = writeAll(fd, contents) && ::fsync(fd) == 0;
    if (!written) {
        ::unlink(temporary.c_str());
        ::close(fd);
        return ReplaceResult::CannotWrite;
    }
    if (::rename(temporary.c_str(), target->c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        ::close(fd);
        // A sticky directory lets a user make files in it but not replace
        // another user's file, which that user may still let them write.
        return replacing && mayWriteInPlace(error) ? writeInPlace(*target, contents) : ReplaceResult::CannotCreate;
    }
    // The bytes are on the disk since the fsync; closing has nothing left to report.
    ::close(fd);
    if (const int dir = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return ReplaceResult::Replaced;
}

} // namespace qx
