#include "ProgramFile.h"

#include <climits>
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

} // namespace

std::string ProgramFilePath()
{
    if (!overriddenPath().empty())
        return overriddenPath();
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string("quorrix");
}

std::string ProgramFileName()
{
    const std::string path = ProgramFilePath();
    return path.substr(nameStart(path));
}

std::string ProgramDirectory()
{
    const std::string path = ProgramFilePath();
    const auto start = nameStart(path);
    if (start == 0)
        return ".";
    return start == 1 ? "/" : path.substr(0, start - 1);
}

std::string SettingsFilePath()
{
    std::string path = ProgramFilePath();
    const auto dot = path.rfind('.');
    if (dot != std::string::npos && dot >= nameStart(path))
        path.erase(dot);
    return path + ".INI";
}

void SetProgramFilePathForTesting(const std::string& path)
{
    overriddenPath() = path;
}

} // namespace qx
