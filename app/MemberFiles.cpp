#include "MemberFiles.h"

#include "FileNames.h"

MemberFiles MemberFiles::Read(const FileLocations& files)
{
    MemberFiles read;
    const std::string profiles = files.PathOf("Prof.txt");
    if (qx::FileExists(profiles))
        read.Profiles.LoadFile(profiles);
    const std::string faces = files.PathOf("flag.txt");
    if (qx::FileExists(faces))
        read.Faces.LoadFile(faces);
    return read;
}

MemberFilesReading::MemberFilesReading(const FileLocations& files)
    // Either policy: without a thread to spare, Take reads them itself.
    : m_files(std::async(std::launch::async | std::launch::deferred, [files] { return MemberFiles::Read(files); }))
{
}

MemberFiles MemberFilesReading::Take()
{
    return m_files.get();
}
