#include "FileNames.h"

#include "AnsiText.h"

#include <dirent.h>
#include <sys/stat.h>

namespace qx {

namespace {

// ASCII letters fold whatever the locale says; the trail byte of a
// double-byte character is compared as it is, even where it looks like a
// letter.
bool sameIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 0x20 : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (upper(ca) != upper(cb))
            return false;
        if (IsLeadByte(ca) && i + 1 < a.size()) {
            ++i;
            if (a[i] != b[i])
                return false;
        }
    }
    return true;
}

bool isRegularFile(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

std::string ResolveFileName(const std::string& directory, const std::string& name)
{
    // The choice depends only on what the directory holds, never on the
    // spelling asked for, so every spelling of a name lands on one file.
    std::string best;
    if (DIR* dir = ::opendir(directory.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string candidate = entry->d_name;
            if (sameIgnoringAsciiCase(candidate, name) && (best.empty() || candidate < best)
                && isRegularFile(directory + "/" + candidate))
                best = candidate;
        }
        ::closedir(dir);
    }
    return directory + "/" + (best.empty() ? name : best);
}

bool FileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace qx
