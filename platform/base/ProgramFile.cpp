#include "ProgramFile.h"

#include <climits>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace qx {

namespace {

std::string& overriddenPath()
{
    static std::string path;
    return path;
}

std::string::size_type nameStart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// The kernel names a program file that was replaced after the program
// started "<path> (deleted)"; the path itself then holds the new file.
std::string readProgramFilePath()
{
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return "quorrix";
    std::string path(buffer, static_cast<std::size_t>(length));
    constexpr std::string_view deleted = " (deleted)";
    struct stat info {};
    if (path.size() > deleted.size() && path.ends_with(deleted) && ::stat(path.c_str(), &info) != 0)
        path.erase(path.size() - deleted.size());
    return path;
}

} // namespace

std::string ProgramFilePath()
{
    if (!overriddenPath().empty())
        return overriddenPath();
    static const std::string path = readProgramFilePath();
    return path;
}

std::string ProgramFileName()
{
    return NameOf(ProgramFilePath());
}

std::string DirectoryOf(const std::string& path)
{
    const auto start = nameStart(path);
    if (start == 0)
        return ".";
    return start == 1 ? "/" : path.substr(0, start - 1);
}

std::string NameOf(const std::string& path)
{
    return path.substr(nameStart(path));
}

std::string SettingsFileNameFor(const std::string& programFile)
{
    std::string name = NameOf(programFile);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name + ".INI";
}

void SetProgramFilePathForTesting(const std::string& path)
{
    overriddenPath() = path;
}

} // namespace qx
