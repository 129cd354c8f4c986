#include "FileNames.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace qx {

std::string ResolveFileName(const std::string& directory, const std::string& name)
{
    std::string best;
    if (DIR* dir = opendir(directory.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string candidate = entry->d_name;
            struct stat info {};
            if (candidate.size() == name.size() && strcasecmp(candidate.c_str(), name.c_str()) == 0
                && ::stat((directory + "/" + candidate).c_str(), &info) == 0 && S_ISREG(info.st_mode)
                && (best.empty() || candidate < best))
                best = candidate;
        }
        closedir(dir);
    }
    return directory + "/" + (best.empty() ? name : best);
}

bool FileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace qx
