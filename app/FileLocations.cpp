#include "FileLocations.h"

#include "FileNames.h"
#include "ProgramFile.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kDataFolderName = "quorrix";

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string homeFolder()
{
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir)
            home = user->pw_dir;
    }
    return home;
}

} // namespace

FileLocations FileLocations::Choose(const Facts& facts)
{
    FileLocations beside;
    beside.m_directory = qx::DirectoryOf(facts.ProgramFile);
    beside.m_settingsName = qx::SettingsFileNameFor(facts.ProgramFile);

    bool anyThere = false;
    bool allWritable = true;
    for (const std::string& name : {std::string("Prof.txt"), std::string("flag.txt"), beside.m_settingsName}) {
        const std::string path = beside.PathOf(name);
        if (qx::FileExists(path)) {
            anyThere = true;
            allWritable = allWritable && facts.MayWrite(path);
        }
    }
    if ((anyThere && allWritable) || facts.MayCreateFilesIn(beside.m_directory))
        return beside;

    std::string dataHome = facts.DataHome;
    if (dataHome.empty() || dataHome.front() != '/')
        dataHome = facts.Home.empty() ? std::string() : facts.Home + "/.local/share";
    if (dataHome.empty())
        return beside; // nowhere better to go: the saves will say what fails
    FileLocations data;
    data.m_directory = dataHome + "/" + kDataFolderName;
    data.m_settingsName = std::string(kDataFolderName) + ".INI";
    data.m_besideProgram = false;
    return data;
}

FileLocations FileLocations::ForThisRun()
{
    Facts facts;
    facts.ProgramFile = qx::ProgramFilePath();
    facts.DataHome = environment("XDG_DATA_HOME");
    facts.Home = homeFolder();
    // access() answers for the real user, as the kernel will when saving.
    facts.MayCreateFilesIn = [](const std::string& directory) { return ::access(directory.c_str(), W_OK | X_OK) == 0; };
    facts.MayWrite = [](const std::string& path) { return ::access(path.c_str(), W_OK) == 0; };
    return Choose(facts);
}

std::string FileLocations::PathOf(const std::string& name) const
{
    return qx::ResolveFileName(m_directory, name);
}

void FileLocations::MakeDirectory() const
{
    struct stat info {};
    if (::stat(m_directory.c_str(), &info) == 0)
        return;
    // Each missing folder on the way down, private to the user as the
    // desktop's rules ask of the data folder.
    for (std::size_t slash = m_directory.find('/', 1); ; slash = m_directory.find('/', slash + 1)) {
        const std::string part = m_directory.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return;
        if (slash == std::string::npos)
            return;
    }
}
